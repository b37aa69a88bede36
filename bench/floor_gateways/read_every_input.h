// What every floor gateway does with its inputs: read each once, arrays
// through mxGetPr and the others through mxGetScalar, as its module does.
#ifndef MEX_SUITE_BENCH_READ_EVERY_INPUT_H
#define MEX_SUITE_BENCH_READ_EVERY_INPUT_H

#include "mex_interface.h"

// Nothing is used; the volatile stores keep every read a real host call.
// Array data are only located, never dereferenced, so an empty input is safe.
inline void read_every_input(const mxArray *prhs[], int count, const bool *is_array_input)
{
    const double *volatile data_sink = nullptr;
    volatile double value_sink = 0.0;
    for (int position = 0; position < count; ++position) {
        if (is_array_input[position])
            data_sink = mxGetPr(prhs[position]);
        else
            value_sink = mxGetScalar(prhs[position]);
    }
    (void)data_sink;
    (void)value_sink;
}

// What every floor gateway does before it creates its outputs, as its
// module does: the count checks with the module's messages, then every input
// read once.
inline void check_counts_and_read(int nlhs, int nrhs, const mxArray *prhs[], int input_count,
                                  int output_count, const bool *is_array_input)
{
    if (nrhs != input_count)
        mexErrMsgTxt("inputs not correct");
    if (nlhs != output_count)
        mexErrMsgTxt("outputs not correct");
    read_every_input(prhs, input_count, is_array_input);
}

// A new real double array with the rows and columns of an input.
inline mxArray *shaped_like(const mxArray *input)
{
    return mxCreateDoubleMatrix(mxGetM(input), mxGetN(input), mxREAL);
}

#endif
