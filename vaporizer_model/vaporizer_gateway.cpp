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

enum { OUT_DERIVATIVES, OUT_LEVEL, OUT_VAPOUR_COMP, OUT_TEMPERATURE, OUT_PRESSURE, OUTPUT_COUNT };
const argument_checks::InputName call{"vaporizer", 0, nullptr};

void vaporizer(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs != MODEL_INPUT_COUNT)
        argument_checks::reject(call, nullptr, "inputs not correct");
    if (nlhs != OUTPUT_COUNT)
        argument_checks::reject(call, nullptr, "outputs not correct");

    // Every input is checked, in position order, before any output exists.
    const ModelInputs in = read_model_inputs<MexHost>(prhs, "vaporizer");

    // Outputs 1 and 3 take the shapes of inputs 1 and 5, which hold at least
    // 8 and 7 values, so the routine's writes fit.
    plhs[OUT_DERIVATIVES] = shaped_like(prhs[IN_STATE]);
    double *derivatives = mxGetPr(plhs[OUT_DERIVATIVES]);
    plhs[OUT_LEVEL] = mxCreateDoubleScalar(0.0);
    double *level = mxGetPr(plhs[OUT_LEVEL]);
    plhs[OUT_VAPOUR_COMP] = shaped_like(prhs[IN_FEED1_COMP]);
    double *vapour_comp = mxGetPr(plhs[OUT_VAPOUR_COMP]);
    plhs[OUT_TEMPERATURE] = mxCreateDoubleScalar(0.0);
    double *temperature = mxGetPr(plhs[OUT_TEMPERATURE]);
    plhs[OUT_PRESSURE] = mxCreateDoubleScalar(0.0);
    double *pressure = mxGetPr(plhs[OUT_PRESSURE]);

    const floating_point_environment::FixedEnvironment fixed_fpu;  // whatever the caller set
    evaluate_model(in, in.arrays[IN_STATE], derivatives, level, vapour_comp, temperature, pressure);
}

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    run_gateway([&] { vaporizer(nlhs, plhs, nrhs, prhs); });
}
