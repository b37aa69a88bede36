// Transmit_floor: the least a Transmit call can cost in this host.
//
// Same argument contract as Transmit (10 inputs, 2 outputs): it reads every
// input once, the delay line and the lag states through mxGetPr and the
// others through mxGetScalar, and creates both outputs with the shapes of
// inputs 2 and 3, all zero. It shifts and integrates nothing.
#include "mex_interface.h"

namespace {

enum {
    IN_NEW_VALUE, IN_DELAY_LINE, IN_LAG_STATES, IN_DELAY_TIME, IN_TIME_CONSTANT,
    IN_DELAY_LENGTH, IN_STAGE_COUNT, IN_TIME_STEP, IN_RANGE_LOW, IN_RANGE_HIGH, INPUT_COUNT
};
enum { OUT_DELAY_LINE, OUT_LAG_STATES, OUTPUT_COUNT };

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs != INPUT_COUNT)
        mexErrMsgTxt("inputs not correct");
    if (nlhs != OUTPUT_COUNT)
        mexErrMsgTxt("outputs not correct");

    // Nothing is used; the volatile stores keep every read a real host call.
    // Array data are only located, never dereferenced, so an empty input is safe.
    const double *volatile data_sink = nullptr;
    volatile double value_sink = 0.0;
    for (int position = 0; position < INPUT_COUNT; ++position) {
        if (position == IN_DELAY_LINE || position == IN_LAG_STATES)
            data_sink = mxGetPr(prhs[position]);
        else
            value_sink = mxGetScalar(prhs[position]);
    }
    (void)data_sink;
    (void)value_sink;

    plhs[OUT_DELAY_LINE] =
        mxCreateDoubleMatrix(mxGetM(prhs[IN_DELAY_LINE]), mxGetN(prhs[IN_DELAY_LINE]), mxREAL);
    plhs[OUT_LAG_STATES] =
        mxCreateDoubleMatrix(mxGetM(prhs[IN_LAG_STATES]), mxGetN(prhs[IN_LAG_STATES]), mxREAL);
}
