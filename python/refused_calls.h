// A call whose arguments match no function's parameters ends in a short
// TypeError that names the cause, as Python's own functions do (pybind11's
// would print every argument, kilobytes for the model's 25 arrays). Each
// function has a second overload taking anything, which is reached only when
// the first does not match.
#ifndef MEX_SUITE_REFUSED_CALLS_H
#define MEX_SUITE_REFUSED_CALLS_H

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

namespace refused_calls {

struct Parameters {
    const char *function;
    std::vector<std::string> positional;  // positional or keyword, in order
    std::vector<std::string> keywords;    // keyword only
};

// Raises the TypeError that says why args and kwargs match none of the
// function's parameters: an unexpected keyword (with what it was probably
// meant to be), one given twice, too many positional arguments, or missing
// ones.
[[noreturn]] void refuse_call(const Parameters &p, const pybind11::args &args,
                              const pybind11::kwargs &kwargs);

}  // namespace refused_calls

#endif
