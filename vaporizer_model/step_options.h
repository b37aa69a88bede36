// vaporizer_step's options input as the host gives it: an odeset struct, or
// []. Reads RelTol, AbsTol, MaxStep and InitialStep into StepOptions and
// refuses everything else that is set, since an option set but not honoured
// would change nothing silently.
#ifndef MEX_SUITE_STEP_OPTIONS_H
#define MEX_SUITE_STEP_OPTIONS_H

#include <cmath>
#include <cstdio>

#include "argument_checks.h"
#include "mex_interface.h"
#include "step_settings.h"

namespace step_options {

using argument_checks::InputName;
using argument_checks::reject;
using step_settings::StepOptions;
using step_settings::state_count;

inline bool same_name(const char *a, const char *b)
{
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if ((*a | 0x20) != (*b | 0x20))
            return false;
    return *a == *b;
}

// A real numeric value of exactly one element.
inline bool real_numeric_scalar(const mxArray *array)
{
    return mxIsNumeric(array) && !mxIsComplex(array) && mxGetNumberOfElements(array) == 1;
}

// A field that must be a positive real number: any positive value, or a
// finite one.
inline double positive_option(const mxArray *value, const InputName &input, const char *field,
                              bool finite)
{
    if (real_numeric_scalar(value)) {
        const double number = mxGetScalar(value);
        if (number > 0.0 && (!finite || std::isfinite(number)))
            return number;
    }
    char what[128];
    std::snprintf(what, sizeof what, "field %s must be a positive%s real numeric scalar", field,
                  finite ? ", finite" : "");
    reject(input, "badOption", what);
}

// AbsTol: one value for every state element, or one for each of the 8.
inline void absolute_tolerance(const mxArray *value, const InputName &input, StepOptions &options)
{
    const std::size_t count = mxGetNumberOfElements(value);
    if (count == 1) {
        options.absolute_tolerance[0] = positive_option(value, input, "AbsTol", true);
        options.absolute_count = 1;
        return;
    }
    bool valid = count == state_count && mxIsDouble(value) && !mxIsSparse(value) &&
                 !mxIsComplex(value);
    for (std::size_t k = 0; valid && k < count; ++k) {
        options.absolute_tolerance[k] = mxGetPr(value)[k];
        valid = options.absolute_tolerance[k] > 0.0 && std::isfinite(options.absolute_tolerance[k]);
    }
    if (!valid)
        reject(input, "badOption",
               "field AbsTol must be a positive, finite real scalar or a real double vector of "
               "8 such values");
    options.absolute_count = state_count;
}

enum { RELTOL, ABSTOL, MAXSTEP, INITIALSTEP, OPTION_COUNT };
constexpr const char *option_names[OPTION_COUNT] = {"RelTol", "AbsTol", "MaxStep", "InitialStep"};

// The option a field name stands for (matched without case), or OPTION_COUNT.
inline int option_of(const char *field)
{
    int k = 0;
    while (k < OPTION_COUNT && !same_name(field, option_names[k]))
        ++k;
    return k;
}

// [] (an empty double array) stands for no options; anything else must be a
// 1-by-1 struct. Empty fields are not set.
inline StepOptions read_options(const mxArray *array, const InputName &input)
{
    StepOptions options;
    if (mxIsDouble(array) && mxGetNumberOfElements(array) == 0)
        return options;
    if (!mxIsStruct(array) || mxGetNumberOfElements(array) != 1)
        reject(input, "badOptions", "must be a 1-by-1 struct such as odeset returns, or []");

    const char *set_by[OPTION_COUNT] = {};
    for (int k = 0; k < mxGetNumberOfFields(array); ++k) {
        const mxArray *value = mxGetFieldByNumber(array, 0, k);
        if (value == nullptr || mxGetNumberOfElements(value) == 0)
            continue;
        const char *field = mxGetFieldNameByNumber(array, k);
        const int option = option_of(field);
        char what[256];
        if (option == OPTION_COUNT) {
            std::snprintf(what, sizeof what,
                          "field %.64s is set, but only RelTol, AbsTol, MaxStep and InitialStep "
                          "are honoured; leave it empty",
                          field);
            reject(input, "unsupportedOption", what);
        }
        if (set_by[option] != nullptr) {
            std::snprintf(what, sizeof what, "sets %s twice, as fields %.64s and %.64s; set it once",
                          option_names[option], set_by[option], field);
            reject(input, "duplicateOption", what);
        }
        set_by[option] = field;
        switch (option) {
        case RELTOL: options.relative_tolerance = positive_option(value, input, "RelTol", true); break;
        case ABSTOL: absolute_tolerance(value, input, options); break;
        case MAXSTEP: options.max_step = positive_option(value, input, "MaxStep", false); break;
        default: options.initial_step = positive_option(value, input, "InitialStep", true); break;
        }
    }
    return options;
}

}  // namespace step_options

#endif
