// The host API as every gateway sees it.
//
// Built for a real host (MATLAB or GNU Octave) this is the host's own mex.h.
// Built with MEX_SUITE_IN_PROCESS_HOST it is the small subset that the
// in-process host implements, so tests, benchmarks and fuzzers can call a
// gateway without any host installed.
#ifndef MEX_SUITE_MEX_INTERFACE_H
#define MEX_SUITE_MEX_INTERFACE_H

#if defined(MEX_SUITE_IN_PROCESS_HOST)
#include "in_process_mex.h"
#else
#include "mex.h"
#endif

#endif
