// Checks that keep a gateway inside the data model of its inputs.
//
// Every failing check ends the call through mexErrMsgIdAndTxt with the
// identifier "<module>:<mnemonic>" and a message that names the input by
// position and name. The host prefixes the function name itself, so the
// messages do not repeat it. Nothing here allocates or keeps state.
#ifndef MEX_SUITE_ARGUMENT_CHECKS_H
#define MEX_SUITE_ARGUMENT_CHECKS_H

#include <cstddef>
#include <cstdio>

#include "mex_interface.h"

// Tells the compiler that control never gets here: after the host's error
// call, which real hosts do not all declare noreturn.
#if defined(_MSC_VER)
#define MEX_SUITE_UNREACHABLE() __assume(0)
#else
#define MEX_SUITE_UNREACHABLE() __builtin_unreachable()
#endif

namespace argument_checks {

// Names one input of one module, for the identifier and the message.
struct InputName {
    const char *module;  // "vaporizer", "Transmit", "murtal"
    int position;        // one-based, as the caller counts
    const char *name;    // the input's name in the documentation
};

// Ends the call with "<module>:<mnemonic>" and "input <pos> (<name>) <what>".
[[noreturn]] inline void reject(const InputName &input, const char *mnemonic, const char *what)
{
    char identifier[64];
    std::snprintf(identifier, sizeof identifier, "%s:%s", input.module, mnemonic);
    mexErrMsgIdAndTxt(identifier, "input %d (%s) %s", input.position, input.name, what);
    MEX_SUITE_UNREACHABLE();
}

// A value read with mxGetScalar, which yields the first element as a double
// for every class that holds numbers: numeric (complex: the real part),
// logical and char. Refused are only the inputs it cannot read that way: an
// empty array, a class without numeric data (cell, struct, function handle,
// object), and a sparse array of more than one element, for which the hosts
// return the first *stored* value rather than the first element. Longer
// dense arrays are accepted; their first element counts.
inline double scalar_value(const mxArray *array, const InputName &input)
{
    const bool holds_numbers = mxIsNumeric(array) || mxIsLogical(array) || mxIsChar(array);
    const std::size_t count = mxGetNumberOfElements(array);
    if (!holds_numbers || count == 0 || (mxIsSparse(array) && count != 1))
        reject(input, "notNumericScalar",
               "must be a numeric, logical or char value: non-empty, and 1-by-1 if sparse");
    return mxGetScalar(array);
}

// Ends the call because an array holds fewer values than are read from it.
[[noreturn]] inline void reject_too_short(const InputName &input, std::size_t min_count,
                                          std::size_t count)
{
    char what[96];
    std::snprintf(what, sizeof what, "must hold at least %zu values; it holds %zu", min_count,
                  count);
    reject(input, "tooShort", what);
}

// A dense double array (real, or complex of which the real part is used)
// holding at least min_count values.
inline const double *double_array(const mxArray *array, std::size_t min_count,
                                  const InputName &input)
{
    if (!mxIsDouble(array) || mxIsSparse(array))
        reject(input, "notDenseDouble", "must be a dense double array");
    const std::size_t count = mxGetNumberOfElements(array);
    if (count < min_count)
        reject_too_short(input, min_count, count);
    return mxGetPr(array);
}

// True when a double truncates toward zero to a whole number in
// [lowest, 2^31 - 1]; NaN and infinities never do. Decided on the double so
// that nothing out of range is ever converted.
inline bool truncates_into_int32(double value, double lowest)
{
    return value > lowest - 1.0 && value < 2147483648.0;
}

}  // namespace argument_checks

#endif
