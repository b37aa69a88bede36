// MATLAB's and GNU Octave's side of the modules: what the host-free checks
// ask of an array, answered through the MEX API, and the frame every
// gateway runs in.
#ifndef MEX_SUITE_MEX_HOST_H
#define MEX_SUITE_MEX_HOST_H

#include <cstddef>

#include "argument_checks.h"
#include "mex_interface.h"
#include "module_interface.h"

// Tells the compiler that control never gets here: after the host's error
// call, which real hosts do not all declare noreturn.
#if defined(_MSC_VER)
#define MEX_SUITE_UNREACHABLE() __assume(0)
#else
#define MEX_SUITE_UNREACHABLE() __builtin_unreachable()
#endif

struct MexHost {
    using Array = const mxArray *;
    static bool holds_numbers(Array a) { return mxIsNumeric(a) || mxIsLogical(a) || mxIsChar(a); }
    static bool numeric(Array a) { return mxIsNumeric(a); }
    static bool complex(Array a) { return mxIsComplex(a); }
    static std::size_t count(Array a) { return mxGetNumberOfElements(a); }
    static bool sparse(Array a) { return mxIsSparse(a); }
    static double scalar(Array a) { return mxGetScalar(a); }
    static bool is_double(Array a) { return mxIsDouble(a); }
    static const double *real_data(Array a) { return mxGetPr(a); }
    static std::size_t columns(Array a) { return mxGetN(a); }
    static std::size_t rows(Array a) { return mxGetM(a); }
    static const mwIndex *row_indices(Array a) { return mxGetIr(a); }
    static const mwIndex *column_starts(Array a) { return mxGetJc(a); }
};

// Runs a gateway's body. A Failure it throws ends the call through the
// host's error call, made only once the body's scope is gone: a host whose
// error call does not unwind C++ frames leaves nothing behind, and no
// exception ever reaches the host.
template <class Body>
void run_gateway(Body &&body)
{
    argument_checks::Failure failure;
    try {
        body();
        return;
    } catch (const argument_checks::Failure &thrown) {
        failure = thrown;
    }
    if (failure.identifier[0] == '\0')
        mexErrMsgTxt(failure.message);
    else
        mexErrMsgIdAndTxt(failure.identifier, "%s", failure.message);
    MEX_SUITE_UNREACHABLE();
}

// A new real double array with the rows and columns of an input.
inline mxArray *shaped_like(const mxArray *input)
{
    return mxCreateDoubleMatrix(mxGetM(input), mxGetN(input), mxREAL);
}

// A new zero-filled output as a module's table describes it (a record, which
// only the module knows how to fill, excepted: null), with a column per
// parameter of a selection of that many.
inline mxArray *create_output(const module_interface::Output &output, const mxArray *const *inputs,
                              std::size_t parameters = 0)
{
    using module_interface::Shape;
    switch (output.shape) {
    case Shape::LikeInput: return shaped_like(inputs[output.input]);
    case Shape::Scalar: return mxCreateDoubleScalar(0.0);
    case Shape::Matrix:
        return mxCreateDoubleMatrix(static_cast<mwSize>(output.rows),
                                    static_cast<mwSize>(output.columns), mxREAL);
    case Shape::PerParameter:
        return mxCreateDoubleMatrix(static_cast<mwSize>(output.rows),
                                    static_cast<mwSize>(parameters), mxREAL);
    default: return nullptr;
    }
}

#endif
