// The settings of vaporizer_step's integration: its defaults, and those the
// caller's options and the interval make. Host-free: every host turns its
// own options into StepOptions and gets the same settings.
#ifndef MEX_SUITE_STEP_SETTINGS_H
#define MEX_SUITE_STEP_SETTINGS_H

#include <cmath>
#include <cstddef>

#include "argument_checks.h"
#include "interval_integration.h"
#include "step_interface.h"
#include "vaporizer_state.h"

namespace step_settings {

constexpr std::size_t state_count = vaporizer_model::state_count;

// Defaults that keep the end state well within 1e-5 relative of the exact
// solution (elements below 1e-3 measured against 1e-3) over intervals from
// 0.1 s to 600 s around the example plant's operating points. The absolute
// tolerances are this fraction of each element's scale: 1 for a mole
// fraction (so a trace component of 1e-3 is right to 1e-7 of itself), the
// starting level for the level, and the starting absolute temperature,
// T + temperature_offset, for the temperature.
constexpr double default_relative_tolerance = 1e-8;
constexpr double default_absolute_fraction = 1e-10;
// By default a step spans at most a tenth of the interval, as in ode15s,
// and at most this many residence times of the holdup: longer steps gain
// nothing (the plant has long settled) and, at times past 1e20 or so, let
// the rounding of the derivatives decide the trial states. An interval of
// 1e300 then ends in tooMuchWork, naming the time reached, instead of a
// state the rounding made.
constexpr double default_max_step_fraction = 0.1;
constexpr double default_max_step_residence_times = 1e6;
// Steps allowed for one interval: far more than any sensible setting needs,
// few enough that a hopeless one ends within a second.
constexpr long max_steps = 100000;
// With the 28 sensitivities a step costs some four times as much: fewer
// steps keep a hopeless call as short.
constexpr long max_steps_with_sensitivities = 5000;
// A mole fraction may stray outside [0, 1] by this much, or by ten times
// its absolute tolerance if that is more, before the state counts as
// outside the model's domain.
constexpr double least_fraction_slack = 1e-6;

// What the caller asked for; 0 (or a count of 0) where an option is not
// given, and the sensitivities under error control unless it is switched off.
struct StepOptions {
    double relative_tolerance = 0.0;
    double absolute_tolerance[state_count] = {};
    std::size_t absolute_count = 0;  // 0, 1 (for every element) or 8
    double max_step = 0.0;
    double initial_step = 0.0;
    bool sensitivity_error_control = true;
};

struct StepSettings {
    interval_integration::Settings integration;
    double fraction_slack;
    double least_step;  // MaxStep must not be below it
};

// The options input, as every host names it in its messages.
constexpr argument_checks::InputName input_options{"vaporizer_step", 27, "options"};

using step_interface::Option;
using step_interface::OPTION_COUNT;
using step_interface::RELTOL;
using step_interface::ABSTOL;
using step_interface::MAXSTEP;
using step_interface::INITIALSTEP;
using step_interface::SENSERRORCONTROL;

// A real numeric value of exactly one element.
template <class Host>
bool real_numeric_scalar(typename Host::Array array)
{
    return Host::numeric(array) && !Host::complex(array) && Host::count(array) == 1;
}

// RelTol, MaxStep or InitialStep: a positive real number; MaxStep may be
// infinite.
template <class Host>
double positive_option(typename Host::Array value, Option option)
{
    const bool finite = option != MAXSTEP;
    if (real_numeric_scalar<Host>(value)) {
        const double number = Host::scalar(value);
        if (number > 0.0 && (!finite || std::isfinite(number)))
            return number;
    }
    argument_checks::reject(input_options, "badOption",
                            "field %s must be a positive%s real numeric scalar",
                            step_interface::options[option].mex, finite ? ", finite" : "");
}

// AbsTol: one value for every state element, or one for each of the 8.
template <class Host>
void absolute_tolerance(typename Host::Array value, StepOptions &options)
{
    const std::size_t count = Host::count(value);
    if (count == 1) {
        options.absolute_tolerance[0] = positive_option<Host>(value, ABSTOL);
        options.absolute_count = 1;
        return;
    }
    bool valid = count == state_count && Host::is_double(value) && !Host::sparse(value) &&
                 !Host::complex(value);
    for (std::size_t k = 0; valid && k < count; ++k) {
        options.absolute_tolerance[k] = Host::real_data(value)[k];
        valid = options.absolute_tolerance[k] > 0.0 && std::isfinite(options.absolute_tolerance[k]);
    }
    if (!valid)
        argument_checks::reject(input_options, "badOption",
                                "field AbsTol must be a positive, finite real scalar or a real "
                                "double vector of 8 such values");
    options.absolute_count = state_count;
}

// SensitivityErrorControl: true or false, as a logical or a number (1 or 0).
template <class Host>
bool switch_option(typename Host::Array value, Option option)
{
    if (Host::holds_numbers(value) && !Host::complex(value) && Host::count(value) == 1) {
        const double number = Host::scalar(value);
        if (number == 0.0 || number == 1.0)
            return number == 1.0;
    }
    argument_checks::reject(input_options, "badOption",
                            "field %s must be true or false (a logical or numeric scalar, 1 "
                            "or 0)",
                            step_interface::options[option].mex);
}

// One option's value, checked and stored.
template <class Host>
void set_option(typename Host::Array value, Option option, StepOptions &options)
{
    switch (option) {
    case RELTOL: options.relative_tolerance = positive_option<Host>(value, RELTOL); break;
    case ABSTOL: absolute_tolerance<Host>(value, options); break;
    case MAXSTEP: options.max_step = positive_option<Host>(value, MAXSTEP); break;
    case SENSERRORCONTROL:
        options.sensitivity_error_control = switch_option<Host>(value, SENSERRORCONTROL);
        break;
    default: options.initial_step = positive_option<Host>(value, INITIALSTEP); break;
    }
}

// The settings for one interval (> 0) from the state at its start (8
// values, inside the model's domain). Arithmetic on the inputs: call it in
// the fixed floating-point environment, so the caller's rounding mode
// changes nothing. The first step asked for is clamped into
// [least_step, max_step].
StepSettings derive_settings(const StepOptions &options, double interval, const double *state,
                             double temperature_offset, double residence_time);

}  // namespace step_settings

#endif
