// vaporizer_step's cost over one 2 s interval at RelTol 1e-8 and AbsTol
// 1e-10, at rest and after a 20 % feed step: through the in-process host,
// the plain call (6 outputs), with the sensitivities to the start state (7)
// and with those to the inputs too (8), whose ratios are what asking for
// derivatives costs, with the steps and right-hand sides each took, and all
// 28 with SensitivityErrorControl off; and the
// integration itself with the Newton iteration on the exact Jacobian and on
// CVODE's difference quotients, with the right-hand side evaluations each
// takes.
#include <benchmark/benchmark.h>

#include <vector>

#include "in_process_host.h"
#include "model_inputs.h"
#include "step_vaporizer.h"
#include "vaporizer_host_inputs.h"
#include "vaporizer_inputs.h"

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);

namespace {

using namespace in_process_host;

// The seeded plant settled: its start state integrated over ten hours
// (some thousand residence times), where every rate has died away.
VaporizerInputs at_rest()
{
    VaporizerInputs in;
    step_settings::StepOptions options;
    for (int hour = 0; hour < 10; ++hour) {
        const step_vaporizer::StepEnd end =
            step_vaporizer::advance(model_inputs(in), 3600.0, options, {});
        in.state.assign(end.state, end.state + 8);
    }
    return in;
}

VaporizerInputs after_a_feed_step()
{
    VaporizerInputs in = at_rest();
    in.feed2_flow *= 1.2;
    return in;
}

// range(0): the outputs asked for; range(1): 1 after the feed step, 0 at
// rest; range(2): SensitivityErrorControl.
void vaporizer_step_call(benchmark::State &state)
{
    std::vector<ArrayPtr> arrays =
        vaporizer_host_inputs(state.range(1) != 0 ? after_a_feed_step() : at_rest());
    arrays.push_back(make_scalar(2.0));
    std::vector<Field> options;
    options.emplace_back("RelTol", make_scalar(1e-8));
    options.emplace_back("AbsTol", make_scalar(1e-10));
    options.emplace_back("SensitivityErrorControl", make_scalar(state.range(2) != 0 ? 1 : 0));
    arrays.push_back(make_struct(std::move(options)));
    // Nine outputs: the sensitivities to three property data as well (a
    // Wilson energy, a heat capacity coefficient, the density factor).
    if (state.range(0) == 9)
        arrays.push_back(make_double(3, 2, {12, 16, 24, 3, 1, 1}));
    std::vector<const mxArray *> inputs;
    for (const ArrayPtr &a : arrays)
        inputs.push_back(a.get());
    const int outputs = static_cast<int>(state.range(0));
    CallResult result;
    for (auto _ : state) {
        result = call_gateway(mexFunction, outputs, inputs);
        benchmark::DoNotOptimize(result.outputs.data());
    }
    for (const char *field : {"steps", "rhs_evaluations", "nonlinear_iterations"})
        state.counters[field] = mxGetScalar(mxGetField(result.outputs[5].get(), 0, field));
}

void vaporizer_interval(benchmark::State &state, bool exact_jacobian)
{
    const VaporizerInputs in = after_a_feed_step();
    step_settings::StepOptions options;
    options.relative_tolerance = 1e-8;
    options.absolute_tolerance[0] = 1e-10;
    options.absolute_count = 1;
    step_vaporizer::StepRequest request;
    request.exact_jacobian = exact_jacobian;
    step_vaporizer::StepEnd end{};
    for (auto _ : state) {
        end = step_vaporizer::advance(model_inputs(in), 2.0, options, request);
        benchmark::DoNotOptimize(end.state);
    }
    state.counters["rhs_evaluations"] = static_cast<double>(end.statistics.rhs_evaluations);
    state.counters["steps"] = static_cast<double>(end.statistics.steps);
}

}  // namespace

BENCHMARK(vaporizer_step_call)
    ->ArgNames({"outputs", "feed_step", "sensitivity_error_control"})
    ->ArgsProduct({{6, 7, 8}, {0, 1}, {1}})
    ->Args({8, 0, 0})
    ->Args({8, 1, 0})
    ->Args({9, 1, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(vaporizer_interval, exact_jacobian, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(vaporizer_interval, difference_quotients, false)->Unit(benchmark::kMicrosecond);
