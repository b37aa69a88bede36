// Declarations of the part of the host API that the gateways use, with the
// types of a current 64-bit MATLAB built with separate complex storage: sizes
// and sparse indices are size_t, mxGetPr yields the real part.
//
// Builds that have no host's mex.h at hand compile against these instead:
// the in-process host of the tests (tests/host/) implements exactly this
// subset, and the Windows cross build (windows/) binds it to MATLAB's libmx
// and libmex.
#ifndef MEX_SUITE_MEX_API_SUBSET_H
#define MEX_SUITE_MEX_API_SUBSET_H

#include <cstddef>

typedef std::size_t mwSize;
typedef std::size_t mwIndex;
typedef std::ptrdiff_t mwSignedIndex;

typedef struct mxArray_tag mxArray;

typedef enum { mxREAL = 0, mxCOMPLEX = 1 } mxComplexity;

extern "C" {

double *mxGetPr(const mxArray *array);
double mxGetScalar(const mxArray *array);
std::size_t mxGetM(const mxArray *array);
std::size_t mxGetN(const mxArray *array);
std::size_t mxGetNumberOfElements(const mxArray *array);
bool mxIsDouble(const mxArray *array);
bool mxIsSparse(const mxArray *array);
bool mxIsComplex(const mxArray *array);
bool mxIsNumeric(const mxArray *array);
bool mxIsLogical(const mxArray *array);
bool mxIsChar(const mxArray *array);
mwIndex *mxGetIr(const mxArray *array);
mwIndex *mxGetJc(const mxArray *array);
mxArray *mxCreateDoubleMatrix(mwSize rows, mwSize columns, mxComplexity complexity);
mxArray *mxCreateDoubleScalar(double value);

// Structures: an array of elements that each hold one value per field. A
// structure owns the arrays stored in its fields; unset fields are null.
bool mxIsStruct(const mxArray *array);
int mxGetNumberOfFields(const mxArray *array);
const char *mxGetFieldNameByNumber(const mxArray *array, int field);
mxArray *mxGetFieldByNumber(const mxArray *array, mwIndex element, int field);
mxArray *mxGetField(const mxArray *array, mwIndex element, const char *name);
mxArray *mxCreateStructMatrix(mwSize rows, mwSize columns, int field_count, const char **names);
void mxSetField(mxArray *array, mwIndex element, const char *name, mxArray *value);

// Both end the call and never return (the in-process host throws, and its
// driver catches).
[[noreturn]] void mexErrMsgTxt(const char *message);
[[noreturn]] void mexErrMsgIdAndTxt(const char *identifier, const char *format, ...);

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);
}

#endif
