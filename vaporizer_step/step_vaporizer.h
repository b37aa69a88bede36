// vaporizer_step's computation, host-free: everything after the inputs are
// read, from the settings to the model at the end state. Every host calls
// this one routine, so the checks that need the settings, the domain, the
// integration and the failure each has are the same everywhere.
#ifndef MEX_SUITE_STEP_VAPORIZER_H
#define MEX_SUITE_STEP_VAPORIZER_H

#include "argument_checks.h"
#include "interval_integration.h"
#include "parameter_selection.h"
#include "step_settings.h"
#include "vaporizer_arguments.h"

namespace step_vaporizer {

constexpr const char *module = "vaporizer_step";
constexpr argument_checks::InputName input_state{module, 1, "state"};
constexpr argument_checks::InputName input_interval{module, 26, "interval"};
constexpr argument_checks::InputName input_parameters{module, 28, "parameters"};

constexpr int state_count = vaporizer_model::state_count;
constexpr int component_count = vaporizer_model::component_count;

constexpr int input_count = vaporizer_model::input_count;  // the operating inputs u

// What a call wants beyond the end state.
struct StepRequest {
    bool end_outputs = false;        // what vaporizer gives at the end state
    bool state_sensitivity = false;  // d state(end) / d state(start), 8x8
    bool input_sensitivity = false;  // d state(end) / du, 8x20, u held over the interval
    // d state(end) / dp, 8xP, for the selected property data; with it come
    // the input sensitivity's columns, before its own.
    const parameter_selection::ParameterSelection *parameters = nullptr;
    // The Newton iteration on the exact Jacobian; false puts CVODE's
    // difference quotients in its place (and no sensitivities), which only
    // the benchmark that compares the two asks for.
    bool exact_jacobian = true;
};

// The end of the interval: the state, and what was asked for.
struct StepEnd {
    double state[state_count];
    double derivatives[state_count];
    double level;
    double vapour_comp[component_count];
    double temperature;
    double pressure;
    double state_sensitivity[state_count * state_count];  // column-major
    // column-major: the inputs' columns, then the selected parameters'
    double input_sensitivity[state_count * (input_count + parameter_selection::max_parameters)];
    std::size_t parameter_count;
    interval_integration::Statistics statistics;
};

// Where output k (step_interface.h; not the statistics) holds its computed
// values in an end, and how many there are. Past them an output shaped like
// an input is 0, but for the state, whose elements past the 8th are the
// input's own.
const double *end_values(const StepEnd &end, int output, std::size_t *count);

// The interval: a real, finite, non-negative numeric scalar.
template <class Host>
double read_interval(typename Host::Array array)
{
    if (step_settings::real_numeric_scalar<Host>(array)) {
        const double interval = Host::scalar(array);
        if (std::isfinite(interval) && interval >= 0.0)
            return interval;
    }
    argument_checks::reject(input_interval, "badInterval",
                            "must be a real, finite, non-negative numeric scalar");
}

// Checks what needs the settings (MaxStep against the least step, a finite
// state inside the model's domain), advances the state over the interval in
// the fixed floating-point environment, on the model's exact Jacobian, with
// the sensitivities asked for, and, when asked, evaluates the model at the
// end. Every failure throws argument_checks::Failure, after all the
// integration's memory is freed.
StepEnd advance(const vaporizer_arguments::ModelInputs &in, double interval,
                const step_settings::StepOptions &options, const StepRequest &request);

}  // namespace step_vaporizer

#endif
