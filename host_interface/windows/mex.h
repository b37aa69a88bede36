// mex.h for the cross build of the Windows modules, where MATLAB's own header
// is not at hand.
//
// The declarations are the subset the in-process host implements, which has
// the types of 64-bit MATLAB with separate complex storage (mex -R2017b). In
// that API the creation and sparse-index functions are exported by libmx
// under names ending in _730; the macros below bind to those names, the rest
// keep their plain ones. libmx.def and libmex.def list the same names.
#ifndef MEX_SUITE_WINDOWS_MEX_H
#define MEX_SUITE_WINDOWS_MEX_H

#define mxCreateDoubleMatrix mxCreateDoubleMatrix_730
#define mxGetIr mxGetIr_730
#define mxGetJc mxGetJc_730

#include "mex_api_subset.h"

#endif
