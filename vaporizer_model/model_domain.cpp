#include "model_domain.h"

#include <cmath>
#include <cstdio>

#include "balance_equations_impl.h"

namespace vaporizer_model {

namespace {

constexpr int components = 7;

// NaN and infinities as the hosts print them.
const char *nonfinite_name(double value)
{
    return std::isnan(value) ? "NaN" : (value > 0.0 ? "Inf" : "-Inf");
}

}  // namespace

void liquid_fractions(const double *state, double *fractions)
{
    generic::liquid_fractions(state, fractions);
}

int domain_exit(const double *state, const DomainLimits &limits)
{
    // Written so that NaN fails every comparison and lands outside.
    if (!(state[6] > 0.0))
        return code_of(level_not_positive);
    const double t = state[7];
    if (!(t + limits.temperature_offset > 0.0))
        return code_of(below_absolute_zero);
    for (int k = 0; k < components; ++k)
        if (limits.antoine_b[k] < 0.0 && !(t + limits.antoine_c[k] > 0.0))
            return code_of(beyond_vapour_pressure_pole, k);
    double x[components];
    liquid_fractions(state, x);
    for (int k = 0; k < components; ++k) {
        if (!(x[k] >= -limits.fraction_slack))
            return code_of(fraction_below_zero, k);
        if (!(x[k] <= 1.0 + limits.fraction_slack))
            return code_of(fraction_above_one, k);
    }
    return inside;
}

double residence_time(const double *state, double vapour_flow, double feed1_flow,
                      double feed2_flow, double area, const double *molar_mass,
                      const double *density, double density_factor)
{
    double x[components];
    liquid_fractions(state, x);
    double molar_volume = 0.0;
    for (int k = 0; k < components; ++k)
        molar_volume = molar_volume + x[k] * molar_mass[k] / density[k];
    const double holdup = std::fabs(density_factor / molar_volume * state[6] * area);
    const double throughput = std::fabs(feed1_flow) + std::fabs(feed2_flow) + std::fabs(vapour_flow);
    return throughput > 0.0 ? holdup / throughput : HUGE_VAL;
}

int approaching_exit(const double *state, const double *rates, const DomainLimits &limits,
                     double within, double *time_to_reach)
{
    // Each bound as a distance that must stay positive and the rate at
    // which it shrinks, in the order domain_exit() checks them.
    int nearest = inside;
    double soonest = within;
    auto consider = [&](int bound_code, double distance, double shrinking) {
        if (shrinking > 0.0 && distance / shrinking < soonest) {
            soonest = distance / shrinking;
            nearest = bound_code;
        }
    };
    const double t = state[7];
    consider(code_of(level_not_positive), state[6], -rates[6]);
    consider(code_of(below_absolute_zero), t + limits.temperature_offset, -rates[7]);
    for (int k = 0; k < components; ++k)
        if (limits.antoine_b[k] < 0.0)
            consider(code_of(beyond_vapour_pressure_pole, k), t + limits.antoine_c[k], -rates[7]);
    double x[components], dx[components];
    liquid_fractions(state, x);
    dx[0] = rates[0];
    dx[1] = rates[1];
    dx[2] = rates[2];
    dx[3] = -(rates[0] + rates[1] + rates[2] + rates[3] + rates[4] + rates[5]);
    dx[4] = rates[3];
    dx[5] = rates[4];
    dx[6] = rates[5];
    for (int k = 0; k < components; ++k) {
        consider(code_of(fraction_below_zero, k), x[k] + limits.fraction_slack, -dx[k]);
        consider(code_of(fraction_above_one, k), 1.0 + limits.fraction_slack - x[k], dx[k]);
    }
    *time_to_reach = soonest;
    return nearest;
}

void describe_domain_exit(char *text, std::size_t size, int exit_code, const double *state,
                          const DomainLimits &limits, double time, double interval,
                          std::size_t derivative, double value)
{
    const int k = component_of(exit_code);
    char what[160];
    switch (bound_of(exit_code)) {
    case level_not_positive:
        std::snprintf(text, size, "the level reached 0 at t = %g within the interval [0, %g]: "
                      "the vessel ran dry", time, interval);
        return;
    case below_absolute_zero:
        std::snprintf(what, sizeof what, "the temperature fell to %g, absolute zero of the "
                      "property set (T + temperature_offset = 0),", -limits.temperature_offset);
        break;
    case beyond_vapour_pressure_pole:
        std::snprintf(what, sizeof what, "the temperature fell to %g, the pole of the vapour "
                      "pressure of component %d (T + antoine_c = 0),", -limits.antoine_c[k], k + 1);
        break;
    case fraction_below_zero:
        std::snprintf(what, sizeof what, "the mole fraction of component %d fell below 0", k + 1);
        break;
    case fraction_above_one:
        std::snprintf(what, sizeof what, "the mole fraction of component %d rose above 1", k + 1);
        break;
    default:
        std::snprintf(text, size, "the model is not defined at the state reached at t = %g "
                      "within the interval [0, %g]: derivative %zu is %s (level %g, temperature "
                      "%g)", time, interval, derivative + 1, nonfinite_name(value), state[6],
                      state[7]);
        return;
    }
    // The level says whether the vessel was about to run dry.
    std::snprintf(text, size, "%s at t = %g within the interval [0, %g], with the level at %g",
                  what, time, interval, state[6]);
}

void describe_outside_state(char *text, std::size_t size, int exit_code, const double *state,
                            const DomainLimits &limits)
{
    const int k = component_of(exit_code);
    double x[components];
    liquid_fractions(state, x);
    switch (bound_of(exit_code)) {
    case level_not_positive:
        std::snprintf(text, size, "the level (element 7) is %g; it must be above 0", state[6]);
        return;
    case below_absolute_zero:
        std::snprintf(text, size, "the temperature (element 8) is %g, at or below absolute zero "
                      "of the property set, -temperature_offset = %g", state[7],
                      -limits.temperature_offset);
        return;
    case beyond_vapour_pressure_pole:
        std::snprintf(text, size, "the temperature (element 8) is %g, at or below the pole of "
                      "the vapour pressure of component %d, -antoine_c(%d) = %g", state[7], k + 1,
                      k + 1, -limits.antoine_c[k]);
        return;
    default:
        std::snprintf(text, size, "the mole fraction of component %d is %g, outside [0, 1] by "
                      "more than %g", k + 1, x[k], limits.fraction_slack);
        return;
    }
}

}  // namespace vaporizer_model
