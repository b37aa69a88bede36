#include "step_settings.h"

#include <algorithm>
#include <cmath>

namespace step_settings {

StepSettings derive_settings(const StepOptions &options, double interval, const double *state,
                             double temperature_offset, double residence_time)
{
    StepSettings s{};
    s.integration.relative_tolerance = options.relative_tolerance > 0.0
                                           ? options.relative_tolerance
                                           : default_relative_tolerance;
    using vaporizer_model::state_level;
    using vaporizer_model::state_temperature;
    double scale[state_count] = {1.0, 1.0, 1.0, 1.0, 1.0, 1.0};
    scale[state_level] = std::fabs(state[state_level]);
    scale[state_temperature] = std::fabs(state[state_temperature] + temperature_offset);
    for (std::size_t k = 0; k < state_count; ++k) {
        const std::size_t given = options.absolute_count == 1 ? 0 : k;
        s.integration.absolute_tolerance[k] = options.absolute_count > 0
                                                  ? options.absolute_tolerance[given]
                                                  : default_absolute_fraction * scale[k];
    }
    s.integration.absolute_count = state_count;

    double largest_fraction_tolerance = 0.0;
    for (int k = 0; k < vaporizer_model::fraction_count; ++k)
        largest_fraction_tolerance =
            std::max(largest_fraction_tolerance, s.integration.absolute_tolerance[k]);
    s.fraction_slack = std::max(least_fraction_slack, 10.0 * largest_fraction_tolerance);

    s.least_step = interval_integration::least_step(interval);
    s.integration.max_step =
        options.max_step > 0.0
            ? options.max_step
            : std::min(default_max_step_fraction * interval,
                       default_max_step_residence_times * residence_time);
    s.integration.initial_step =
        options.initial_step > 0.0
            ? std::min(std::max(options.initial_step, s.least_step), s.integration.max_step)
            : 0.0;
    s.integration.max_steps = max_steps;
    return s;
}

}  // namespace step_settings
