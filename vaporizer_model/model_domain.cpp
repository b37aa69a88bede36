#include "model_domain.h"

#include <cmath>

#include "vaporizer_state.h"

namespace vaporizer_model {

namespace {

constexpr int components = component_count;
constexpr int dependent = dependent_component;

}  // namespace

void liquid_fractions(const double *state, double *fractions)
{
    generic::liquid_fractions(state, fractions);
}

void set_reachable_fractions(DomainLimits &limits, double feed1_flow, const double *feed1_comp,
                             double feed2_flow, const double *feed2_comp)
{
    const double total = feed1_flow + feed2_flow;
    double feed[components];
    double others = 0.0;
    for (int k = 0; k < components; ++k) {
        feed[k] = feed1_flow * feed1_comp[k] + feed2_flow * feed2_comp[k];
        if (k != dependent)
            others += feed[k];
    }
    feed[dependent] = total - others;
    // NaN feeds leave every bound reachable: nothing is known of them.
    for (int k = 0; k < components; ++k) {
        limits.fraction_can_fall[k] = !(feed[k] >= 0.0);
        limits.fraction_can_rise[k] = !(feed[k] <= total);
    }
}

bool unreachable_fraction_bound(int code, const DomainLimits &limits)
{
    const int k = component_of(code);
    return (bound_of(code) == fraction_below_zero && !limits.fraction_can_fall[k]) ||
           (bound_of(code) == fraction_above_one && !limits.fraction_can_rise[k]);
}

int domain_exit(const double *state, const DomainLimits &limits)
{
    for (int k = 0; k < state_count; ++k)
        if (!std::isfinite(state[k]))
            return code_of(element_not_finite, k);
    if (!(state[state_level] > limits.least_level) || !(state[state_level] > 0.0))
        return code_of(level_not_positive);
    const double t = state[state_temperature];
    // Written so that a NaN limit fails the comparison and lands outside.
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
    const double holdup = std::fabs(density_factor / molar_volume * state[state_level] * area);
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
        if (shrinking > 0.0 && distance / shrinking < soonest &&
            !unreachable_fraction_bound(bound_code, limits)) {
            soonest = distance / shrinking;
            nearest = bound_code;
        }
    };
    const double t = state[state_temperature];
    consider(code_of(level_not_positive), state[state_level] - limits.least_level,
             -rates[state_level]);
    consider(code_of(below_absolute_zero), t + limits.temperature_offset, -rates[state_temperature]);
    for (int k = 0; k < components; ++k)
        if (limits.antoine_b[k] < 0.0)
            consider(code_of(beyond_vapour_pressure_pole, k), t + limits.antoine_c[k], -rates[state_temperature]);
    double x[components], dx[components];
    liquid_fractions(state, x);
    generic::fraction_rates(rates, dx);
    for (int k = 0; k < components; ++k) {
        consider(code_of(fraction_below_zero, k), x[k] + limits.fraction_slack, -dx[k]);
        consider(code_of(fraction_above_one, k), 1.0 + limits.fraction_slack - x[k], dx[k]);
    }
    *time_to_reach = soonest;
    return nearest;
}

}  // namespace vaporizer_model
