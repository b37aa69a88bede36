// vaporizer_step's cost through the in-process host, over one 2 s interval
// after a feed step at RelTol 1e-8 and AbsTol 1e-10: the plain call (6
// outputs), with the sensitivities to the start state (7) and with those to
// the inputs too (8). The ratios are what asking for derivatives costs.
#include <benchmark/benchmark.h>

#include <vector>

#include "in_process_host.h"
#include "vaporizer_host_inputs.h"
#include "vaporizer_inputs.h"

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);

namespace {

using namespace in_process_host;

void vaporizer_step_call(benchmark::State &state)
{
    VaporizerInputs in;
    in.feed2_flow *= 1.2;
    std::vector<ArrayPtr> arrays = vaporizer_host_inputs(in);
    arrays.push_back(make_scalar(2.0));
    std::vector<Field> options;
    options.emplace_back("RelTol", make_scalar(1e-8));
    options.emplace_back("AbsTol", make_scalar(1e-10));
    arrays.push_back(make_struct(std::move(options)));
    std::vector<const mxArray *> inputs;
    for (const ArrayPtr &a : arrays)
        inputs.push_back(a.get());
    const int outputs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const CallResult result = call_gateway(mexFunction, outputs, inputs);
        benchmark::DoNotOptimize(result.outputs.data());
    }
}

}  // namespace

BENCHMARK(vaporizer_step_call)->Arg(6)->Arg(7)->Arg(8)->Unit(benchmark::kMicrosecond);
