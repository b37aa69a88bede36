// Checks that keep a module inside the data model of its inputs, and the
// one way a call fails.
//
// Host-free: a check asks its host about an array only through a traits
// class (MexHost in mex_host.h for MATLAB and Octave; the Python package
// has its own), so every host runs the same checks with the same messages.
// A failing check throws a Failure; the host's layer around the module
// turns it into the host's error (mexErrMsgIdAndTxt, or mexErrMsgTxt for a
// message without identifier), after everything the call holds is gone.
// Nothing here allocates or keeps state.
#ifndef MEX_SUITE_ARGUMENT_CHECKS_H
#define MEX_SUITE_ARGUMENT_CHECKS_H

#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdio>

#include "floating_point_environment.h"

#if defined(__GNUC__)
#define MEX_SUITE_PRINTF_FORMAT(string_index, first_to_check) \
    __attribute__((__format__(__printf__, string_index, first_to_check)))
#else
#define MEX_SUITE_PRINTF_FORMAT(string_index, first_to_check)
#endif

namespace argument_checks {

// Names one input of one module, for the identifier and the message;
// position 0 stands for the call as a whole.
struct InputName {
    const char *module;  // "vaporizer", "Transmit", "murtal", "vaporizer_step"
    int position;        // one-based, as the caller counts
    const char *name;    // the input's name in the documentation
};

// Why a call ended: "<module>:<mnemonic>" (empty for a module's own fixed
// messages) and the message, which the host prefixes with the function's
// name itself.
struct Failure {
    char identifier[64];
    char message[768];
};

// A number as the hosts print it in a message: %g, with NaN, Inf and -Inf
// spelled as they are (printf's own spelling of NaN depends on its sign).
struct PrintedNumber {
    char text[32];
};
inline PrintedNumber printed(double value)
{
    PrintedNumber number{};
    const floating_point_environment::FixedPrintingEnvironment fixed_fpu;  // as in reject()
    if (std::isnan(value))
        std::snprintf(number.text, sizeof number.text, "NaN");
    else if (std::isinf(value))
        std::snprintf(number.text, sizeof number.text, value > 0.0 ? "Inf" : "-Inf");
    else
        std::snprintf(number.text, sizeof number.text, "%g", value);
    return number;
}

// Ends the call. The message is "input <pos> (<name>) " followed by the
// formatted text, or the text alone for position 0; a null mnemonic gives a
// message without identifier. Numbers are printed in the fixed
// floating-point environment: printf rounds them in the current direction
// (on x86-64 by the x87 control word), and a message must not depend on the
// caller's.
[[noreturn]] inline void reject(const InputName &input, const char *mnemonic, const char *format,
                                ...) MEX_SUITE_PRINTF_FORMAT(3, 4);

[[noreturn]] inline void reject(const InputName &input, const char *mnemonic, const char *format,
                                ...)
{
    Failure failure{};
    const floating_point_environment::FixedPrintingEnvironment fixed_fpu;
    if (mnemonic != nullptr)
        std::snprintf(failure.identifier, sizeof failure.identifier, "%s:%s", input.module,
                      mnemonic);
    int used = 0;
    if (input.position > 0)
        used = std::snprintf(failure.message, sizeof failure.message, "input %d (%s) ",
                             input.position, input.name);
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(failure.message + used, sizeof failure.message - used, format, arguments);
    va_end(arguments);
    throw failure;
}

// The exact counts of vaporizer and Transmit: their fixed messages,
// "inputs not correct" before "outputs not correct".
inline void require_exact_counts(const InputName &call, int nrhs, int inputs, int nlhs,
                                 int outputs)
{
    if (nrhs != inputs)
        reject(call, nullptr, "inputs not correct");
    if (nlhs != outputs)
        reject(call, nullptr, "outputs not correct");
}

// A value read the way the hosts read a scalar: the first element as a
// double for every class that holds numbers, numeric (complex: the real
// part), logical and char. Refused are only the inputs that cannot be read
// that way: an empty array, a class without numbers (cell, struct, function
// handle, object), and a sparse array of more than one element, for which
// the hosts return the first *stored* value rather than the first element.
// Longer dense arrays are accepted; their first element counts.
template <class Host>
double scalar_value(typename Host::Array array, const InputName &input)
{
    const std::size_t count = Host::count(array);
    if (!Host::holds_numbers(array) || count == 0 || (Host::sparse(array) && count != 1))
        reject(input, "notNumericScalar",
               "must be a numeric, logical or char value: non-empty, and 1-by-1 if sparse");
    return Host::scalar(array);
}

// Ends the call because an array holds fewer values than are read from it.
[[noreturn]] inline void reject_too_short(const InputName &input, std::size_t min_count,
                                          std::size_t count)
{
    reject(input, "tooShort", "must hold at least %zu values; it holds %zu", min_count, count);
}

// A dense double array (real, or complex of which the real part is used)
// holding at least min_count values.
template <class Host>
const double *double_array(typename Host::Array array, std::size_t min_count,
                           const InputName &input)
{
    if (!Host::is_double(array) || Host::sparse(array))
        reject(input, "notDenseDouble", "must be a dense double array");
    const std::size_t count = Host::count(array);
    if (count < min_count)
        reject_too_short(input, min_count, count);
    return Host::real_data(array);
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
