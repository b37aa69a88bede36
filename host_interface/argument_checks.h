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
    // Real hosts do not all declare their error call noreturn, but it never
    // comes back: the host unwinds the call.
    __builtin_unreachable();
}

// A value read with mxGetScalar: any numeric class, real or complex, at least
// one element, not sparse. Longer arrays are accepted; their first element counts.
inline double numeric_scalar(const mxArray *array, const InputName &input)
{
    if (!mxIsNumeric(array) || mxIsSparse(array) || mxGetNumberOfElements(array) == 0)
        reject(input, "notNumericScalar", "must be a non-empty, non-sparse numeric value");
    return mxGetScalar(array);
}

// A dense double array (real, or complex of which the real part is used)
// holding at least min_count values.
inline const double *double_array(const mxArray *array, std::size_t min_count,
                                  const InputName &input)
{
    if (!mxIsDouble(array) || mxIsSparse(array))
        reject(input, "notDenseDouble", "must be a dense double array");
    std::size_t count = mxGetNumberOfElements(array);
    if (count < min_count) {
        char what[96];
        std::snprintf(what, sizeof what, "must hold at least %zu values; it holds %zu",
                      min_count, count);
        reject(input, "tooShort", what);
    }
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
