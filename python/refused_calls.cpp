#include "refused_calls.h"

#include <algorithm>
#include <cctype>

#include "step_interface.h"

namespace py = pybind11;

namespace refused_calls {

namespace {


std::string lower(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string keyword_list(const Parameters &p)
{
    std::string list = "its keywords are ";
    for (std::size_t k = 0; k < p.keywords.size(); ++k)
        list += (k == 0 ? "" : k + 1 < p.keywords.size() ? ", " : " and ") + p.keywords[k];
    return list;
}

// What an unknown keyword was probably meant to be: an option's Octave name
// (matched without case, as odeset does), or a near spelling of a parameter.
std::string suggestion(const Parameters &p, const std::string &key)
{
    if (!p.keywords.empty())
        for (int k = 0; k < step_interface::OPTION_COUNT; ++k)
            if (lower(key) == lower(step_interface::options[k].mex))
                return std::string("; the Python name of ") + step_interface::options[k].mex +
                       " is " + step_interface::options[k].python;
    std::vector<std::string> names = p.positional;
    names.insert(names.end(), p.keywords.begin(), p.keywords.end());
    py::list lowered;
    for (const std::string &name : names)
        lowered.append(lower(name));
    const py::list close =
        py::module_::import("difflib").attr("get_close_matches")(lower(key), lowered, 1);
    for (std::size_t k = 0; close.size() > 0 && k < names.size(); ++k)
        if (lower(names[k]) == close[0].cast<std::string>())
            return "; did you mean '" + names[k] + "'?";
    return p.keywords.empty() ? "" : "; " + keyword_list(p);
}

}  // namespace

[[noreturn]] void refuse_call(const Parameters &p, const py::args &args, const py::kwargs &kwargs)
{
    const std::string call = std::string(p.function) + "() ";
    const std::size_t given = args.size();
    for (const auto item : kwargs) {
        const std::string key = py::str(item.first);
        const auto at = std::find(p.positional.begin(), p.positional.end(), key);
        if (at != p.positional.end()) {
            if (static_cast<std::size_t>(at - p.positional.begin()) < given)
                throw py::type_error(call + "got multiple values for argument '" + key + "'");
        } else if (std::find(p.keywords.begin(), p.keywords.end(), key) == p.keywords.end()) {
            throw py::type_error(call + "got an unexpected keyword argument '" + key + "'" +
                                 suggestion(p, key));
        }
    }
    if (given > p.positional.size())
        throw py::type_error(call + "takes " + std::to_string(p.positional.size()) +
                             " positional arguments but " + std::to_string(given) +
                             " were given" + (p.keywords.empty() ? "" : "; " + keyword_list(p)));
    std::string missing;
    std::size_t missing_count = 0;
    for (std::size_t k = given; k < p.positional.size(); ++k)
        if (!kwargs.contains(p.positional[k])) {
            missing += (missing_count++ == 0 ? "'" : ", '") + p.positional[k] + "'";
        }
    if (missing_count > 0)
        throw py::type_error(call + "missing " + std::to_string(missing_count) + " required " +
                             (missing_count == 1 ? "argument: " : "arguments: ") + missing);
    throw py::type_error(call + "got arguments that match none of its parameters");
}

}  // namespace refused_calls
