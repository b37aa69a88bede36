// murtal(C, K, L): per-cluster count of the stored entries of a sparse column.
//
// Element k of the K-by-1 result is the number of stored entries of C whose
// row carries label k in L. Only the pattern of C is used, never its values.
#include "argument_checks.h"
#include "mex_interface.h"

namespace {

// The labels are gathered through the row indices, a stream the hardware
// does not foresee; asking for them this many entries ahead (a few pages of
// labels) keeps memory busy while earlier entries are counted.
constexpr mwIndex prefetch_distance = 256;

inline void prefetch(const double *address)
{
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

enum { IN_C, IN_K, IN_L, INPUT_COUNT };
enum { OUT_COUNTS };

const argument_checks::InputName input_k{"murtal", 2, "K"};
const argument_checks::InputName input_l{"murtal", 3, "L"};

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    using namespace argument_checks;

    if (nrhs != INPUT_COUNT)
        mexErrMsgTxt("Wrong number of input arguments");
    if (nlhs > 1)
        mexErrMsgTxt("Too many output arguments");
    const mxArray *column = prhs[IN_C];
    if (!mxIsSparse(column))
        mexErrMsgTxt("C must be sparse");
    if (mxGetN(column) != 1)
        mexErrMsgTxt("C must be a sparse column vector");

    // K is truncated toward zero; the range is decided on the double so that
    // NaN, infinities and values beyond 32 bits are never converted.
    double k_value = scalar_value(prhs[IN_K], input_k);
    if (!truncates_into_int32(k_value, 0.0))
        reject(input_k, "badClusterCount",
               "must truncate to a cluster count from 0 to 2147483647");
    const int cluster_count = static_cast<int>(k_value);

    // Only the labels of rows holding stored entries are read. In a column
    // whose row indices ascend, as the hosts store them, the last stored
    // entry has the largest row, so a short L is refused before the result
    // exists. Another module may hand over a column out of order; the loop
    // bounds every row itself, so no label beyond L is ever read.
    const mwIndex *rows = mxGetIr(column);
    const mwIndex stored = mxGetJc(column)[1];
    const std::size_t labels_needed = stored > 0 ? static_cast<std::size_t>(rows[stored - 1]) + 1 : 0;
    const double *labels = double_array(prhs[IN_L], labels_needed, input_l);
    const std::size_t label_count = mxGetNumberOfElements(prhs[IN_L]);

    plhs[OUT_COUNTS] = mxCreateDoubleMatrix(static_cast<mwSize>(cluster_count), 1, mxREAL);
    double *counts = mxGetPr(plhs[OUT_COUNTS]);

    // A label is valid when it truncates into 1..K, that is when
    // 1 <= label < K + 1 on the double itself (NaN fails both comparisons).
    const double label_limit = static_cast<double>(cluster_count) + 1.0;
    for (mwIndex i = 0; i < stored; ++i) {
        const mwIndex ahead = i + prefetch_distance < stored ? i + prefetch_distance : stored - 1;
        // Octave's indices are signed: as sizes, a negative one is out of range too.
        if (static_cast<std::size_t>(rows[ahead]) < label_count)
            prefetch(labels + rows[ahead]);
        const std::size_t row = static_cast<std::size_t>(rows[i]);
        if (row >= label_count)
            reject_too_short(input_l, row + 1, label_count);
        const double label = labels[row];
        if (!(label >= 1.0 && label < label_limit))
            mexErrMsgTxt("Invalid cluster label value");
        counts[static_cast<int>(label) - 1] += 1.0;
    }
}
