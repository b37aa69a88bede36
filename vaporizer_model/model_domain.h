// Where the vaporizer model means something: the states at which its
// equations neither divide by zero nor take the logarithm or exponential of
// a meaningless value.
//
//   - the level is above 0: the equations divide by the holdup, level times
//     area; at 0 the vessel is dry;
//   - T + temperature_offset is above 0: the Wilson model divides by
//     R (T + T0), the absolute temperature of the property set;
//   - T + antoine_c[k] is above 0 for every component whose antoine_b[k] is
//     negative: on that side the vapour pressure exp(A + B / (T + C)) rises
//     from 0 with the temperature; at T + C = 0 it has its pole, and beyond
//     it explodes;
//   - every one of the seven liquid mole fractions (the dependent one, 1
//     minus the six others, included) lies in [0, 1], give or take a slack:
//     an integration error of the size of the tolerances is no fault.
//
// A state outside these bounds is outside the domain; so is one at which the
// derivatives are not finite (which only evaluating the model tells).
// Plain code on raw arrays: no host header, no allocation, no state.
#ifndef MEX_SUITE_MODEL_DOMAIN_H
#define MEX_SUITE_MODEL_DOMAIN_H

#include <cstddef>

namespace vaporizer_model {

struct DomainLimits {
    double temperature_offset;
    const double *antoine_b;  // 7 values
    const double *antoine_c;  // 7 values
    double fraction_slack;    // how far a mole fraction may stray outside [0, 1]
};

// The bounds, in the order they are checked. A code is a bound and, for the
// per-component ones, the component (zero-based): kind * 8 + component.
enum DomainBound : int {
    inside = 0,
    level_not_positive = 1,
    below_absolute_zero = 2,
    beyond_vapour_pressure_pole = 3,
    fraction_below_zero = 4,
    fraction_above_one = 5,
};
constexpr int code_of(DomainBound bound, int component = 0) { return bound * 8 + component; }
constexpr int bound_of(int code) { return code / 8; }
constexpr int component_of(int code) { return code % 8; }

// 0 when the state (8 values) lies inside the domain, otherwise the code of
// the first bound it lies beyond. NaN lies beyond every bound.
int domain_exit(const double *state, const DomainLimits &limits);

// The bound that a state moving at the given rates (dstate/dt, 8 values)
// reaches first along a straight line, if it reaches one within the time
// given: its code, and in *time_to_reach how soon. 0 when none is reached
// that soon. For an integration whose steps collapsed near the domain's
// edge, this names the edge.
int approaching_exit(const double *state, const double *rates, const DomainLimits &limits,
                     double within, double *time_to_reach);

// The holdup's residence time: the moles held, c * level * area with the
// molar density c = density_factor / sum(x[k] molar_mass[k] / density[k]),
// over the moles flowing through, |F1| + |F2| + |V|. The model's slowest
// natural time; infinity when nothing flows.
double residence_time(const double *state, double vapour_flow, double feed1_flow,
                      double feed2_flow, double area, const double *molar_mass,
                      const double *density, double density_factor);

// The seven liquid mole fractions of a state, as the model forms them.
void liquid_fractions(const double *state, double *fractions);

// "the level reached 0 at t = ...": how the solution left the domain, for a
// code of domain_exit() at the given state and time, or (code 0) a
// non-finite derivative there. Writes at most size characters.
void describe_domain_exit(char *text, std::size_t size, int code, const double *state,
                          const DomainLimits &limits, double time, double interval,
                          std::size_t derivative, double value);

// "the level (element 7) is -0.1, ...": why a given state lies outside.
void describe_outside_state(char *text, std::size_t size, int code, const double *state,
                            const DomainLimits &limits);

}  // namespace vaporizer_model

#endif
