// Transmit_floor: the least a Transmit call can cost in this host.
//
// Same argument contract as Transmit (10 inputs, 2 outputs): it reads every
// input once, the delay line and the lag states through mxGetPr and the
// others through mxGetScalar, and creates both outputs with the shapes of
// inputs 2 and 3, all zero. It shifts and integrates nothing.
#include "mex_interface.h"
#include "read_every_input.h"

namespace {

enum {
    IN_NEW_VALUE, IN_DELAY_LINE, IN_LAG_STATES, IN_DELAY_TIME, IN_TIME_CONSTANT,
    IN_DELAY_LENGTH, IN_STAGE_COUNT, IN_TIME_STEP, IN_RANGE_LOW, IN_RANGE_HIGH, INPUT_COUNT
};
enum { OUT_DELAY_LINE, OUT_LAG_STATES, OUTPUT_COUNT };

// The delay line and the lag states are arrays; the others are scalars.
constexpr bool is_array_input[INPUT_COUNT] = {false, true, true, false, false,
                                              false, false, false, false, false};

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    check_counts_and_read(nlhs, nrhs, prhs, INPUT_COUNT, OUTPUT_COUNT, is_array_input);
    plhs[OUT_DELAY_LINE] = shaped_like(prhs[IN_DELAY_LINE]);
    plhs[OUT_LAG_STATES] = shaped_like(prhs[IN_LAG_STATES]);
}
