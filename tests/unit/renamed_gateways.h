// Each module's gateway compiled again with its entry point renamed
// <module>_mexFunction (tests/unit/CMakeLists.txt), so that one test program
// calls them all; MEX_SUITE_CALLS_<module> says which the build made.
#ifndef MEX_SUITE_TESTS_RENAMED_GATEWAYS_H
#define MEX_SUITE_TESTS_RENAMED_GATEWAYS_H

#include "in_process_host.h"

extern "C" {
void vaporizer_mexFunction(int, mxArray *[], int, const mxArray *[]);
void vaporizer_linearize_mexFunction(int, mxArray *[], int, const mxArray *[]);
void vaporizer_step_mexFunction(int, mxArray *[], int, const mxArray *[]);
void Transmit_mexFunction(int, mxArray *[], int, const mxArray *[]);
void murtal_mexFunction(int, mxArray *[], int, const mxArray *[]);
}

#endif
