// vaporizer_step's options input as the host gives it: an odeset struct, or
// []. Reads RelTol, AbsTol, MaxStep, InitialStep and SensitivityErrorControl
// into StepOptions and refuses everything else that is set, since an option
// set but not honoured would change nothing silently.
#ifndef MEX_SUITE_STEP_OPTIONS_H
#define MEX_SUITE_STEP_OPTIONS_H

#include "argument_checks.h"
#include "mex_host.h"
#include "step_settings.h"

namespace step_options {

using step_settings::StepOptions;
using step_settings::input_options;
using step_interface::OPTION_COUNT;

inline bool same_name(const char *a, const char *b)
{
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if ((*a | 0x20) != (*b | 0x20))
            return false;
    return *a == *b;
}

// The option a field name stands for (matched without case), or OPTION_COUNT.
inline int option_of(const char *field)
{
    int k = 0;
    while (k < OPTION_COUNT && !same_name(field, step_interface::options[k].mex))
        ++k;
    return k;
}

// [] (the 0-by-0 full double array) stands for no options; anything else,
// other empty values included, must be a 1-by-1 struct. Empty fields are
// not set.
inline StepOptions read_options(const mxArray *array)
{
    using argument_checks::reject;
    StepOptions options;
    if (mxIsDouble(array) && !mxIsSparse(array) && mxGetM(array) == 0 && mxGetN(array) == 0)
        return options;
    if (!mxIsStruct(array) || mxGetNumberOfElements(array) != 1)
        reject(input_options, "badOptions", "must be a 1-by-1 struct such as odeset returns, or []");

    const char *set_by[OPTION_COUNT] = {};
    for (int k = 0; k < mxGetNumberOfFields(array); ++k) {
        const mxArray *value = mxGetFieldByNumber(array, 0, k);
        if (value == nullptr || mxGetNumberOfElements(value) == 0)
            continue;
        const char *field = mxGetFieldNameByNumber(array, k);
        const int option = option_of(field);
        if (option == OPTION_COUNT)
            reject(input_options, "unsupportedOption",
                   "field %.64s is set, but only RelTol, AbsTol, MaxStep, InitialStep and "
                   "SensitivityErrorControl are honoured; leave it empty",
                   field);
        if (set_by[option] != nullptr)
            reject(input_options, "duplicateOption",
                   "sets %s twice, as fields %.64s and %.64s; set it once",
                   step_interface::options[option].mex,
                   set_by[option], field);
        set_by[option] = field;
        step_settings::set_option<MexHost>(value, static_cast<step_settings::Option>(option),
                                           options);
    }
    return options;
}

}  // namespace step_options

#endif
