// murtal(C, K, L): per-cluster count of the stored entries of a sparse column.
//
// Element k of the K-by-1 result is the number of stored entries of C whose
// row carries label k in L. Only the pattern of C is used, never its values.
// The checks and the count are murtal_arguments.h's; the gateway creates the
// result between them.
#include "mex_host.h"
#include "murtal_arguments.h"

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    run_gateway([&] {
        const auto in = murtal_arguments::read_murtal_inputs<MexHost>(nlhs, nrhs, prhs);
        plhs[0] = mxCreateDoubleMatrix(static_cast<mwSize>(in.cluster_count), 1, mxREAL);
        murtal_arguments::count_clusters(in, mxGetPr(plhs[0]));
    });
}
