// The host API as every gateway sees it.
//
// Built for a real host (MATLAB or GNU Octave) this is the host's own mex.h.
// Built with MEX_SUITE_MEX_API_SUBSET it is mex_api_subset.h, the part of
// the API the gateways use: for the in-process host, so that tests,
// benchmarks and fuzzers call a gateway without any host installed, and for
// the Windows cross build, where MATLAB's own header is not at hand.
#ifndef MEX_SUITE_MEX_INTERFACE_H
#define MEX_SUITE_MEX_INTERFACE_H

#if defined(MEX_SUITE_MEX_API_SUBSET)
#include "mex_api_subset.h"
#else
#include "mex.h"
#endif

#endif
