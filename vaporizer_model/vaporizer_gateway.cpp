// vaporizer(state, ... 25 inputs): the vaporizer right-hand side for ODE
// solvers. Returns [dstate, level, vapour_comp, temperature, pressure].
//
// The gateway only checks, unpacks and creates; the arithmetic lives in
// balance_equations.cpp.
#include "floating_point_environment.h"
#include "mex_host.h"
#include "vaporizer_arguments.h"

namespace {

using namespace vaporizer_arguments;

const argument_checks::InputName call{"vaporizer", 0, nullptr};

void vaporizer(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    argument_checks::require_exact_counts(call, nrhs, MODEL_INPUT_COUNT, nlhs, OUTPUT_COUNT);

    // Every input is checked, in position order, before any output exists.
    const ModelInputs in = read_model_inputs<MexHost>(prhs, "vaporizer");

    // The outputs in slot order, as the table makes them.
    double *out[OUTPUT_COUNT];
    for (int k = 0; k < OUTPUT_COUNT; ++k) {
        plhs[k] = create_output(model_outputs[k], prhs);
        out[k] = mxGetPr(plhs[k]);
    }

    const floating_point_environment::FixedEnvironment fixed_fpu;  // whatever the caller set
    evaluate_model(in, in.arrays[IN_STATE], out[OUT_DERIVATIVES], out[OUT_LEVEL],
                   out[OUT_VAPOUR_COMP], out[OUT_TEMPERATURE], out[OUT_PRESSURE]);
}

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    run_gateway([&] { vaporizer(nlhs, plhs, nrhs, prhs); });
}
