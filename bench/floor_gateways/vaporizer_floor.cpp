// vaporizer_floor: the least a vaporizer call can cost in this host.
//
// Same argument contract as vaporizer (25 inputs, 5 outputs): it reads every
// input once, arrays through mxGetPr and scalars through mxGetScalar, and
// creates the five outputs with the shapes vaporizer gives them, all zero.
// It computes nothing, so the time of a vaporizer call divided by the time of
// a call of this module is what the checks and the arithmetic add.
#include "mex_interface.h"
#include "read_every_input.h"

namespace {

// Positions (zero-based) of the inputs read as arrays; the others are scalars.
constexpr bool is_array_input[25] = {
    true,  false, false, false, true,  false, false, true,  false, false,
    true,  true,  true,  true,  true,  true,  true,  true,  true,  true,
    true,  true,  false, false, false};

enum { IN_STATE = 0, IN_FEED1_COMP = 4, INPUT_COUNT = 25 };
enum { OUT_DERIVATIVES, OUT_LEVEL, OUT_VAPOUR_COMP, OUT_TEMPERATURE, OUT_PRESSURE, OUTPUT_COUNT };

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    check_counts_and_read(nlhs, nrhs, prhs, INPUT_COUNT, OUTPUT_COUNT, is_array_input);
    plhs[OUT_DERIVATIVES] = shaped_like(prhs[IN_STATE]);
    plhs[OUT_LEVEL] = mxCreateDoubleScalar(0.0);
    plhs[OUT_VAPOUR_COMP] = shaped_like(prhs[IN_FEED1_COMP]);
    plhs[OUT_TEMPERATURE] = mxCreateDoubleScalar(0.0);
    plhs[OUT_PRESSURE] = mxCreateDoubleScalar(0.0);
}
