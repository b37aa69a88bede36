// Where the vaporizer model means something: the states at which its
// equations neither divide by zero nor take the logarithm or exponential of
// a meaningless value.
//
//   - the level is above 0: the equations divide by the holdup, level times
//     area; at 0 the vessel is dry. An integration holds it above a least
//     level, a small fraction of where it started: below that the vessel
//     counts as dry, since the rates, which grow as 1 / level, can no
//     longer be followed;
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
// A state outside these bounds is outside the domain; so is one with an
// element that is not finite, and one at which the derivatives are not
// finite (which only evaluating the model tells).
//
// With feeds that carry no negative amount of any component, no mole
// fraction can leave [0, 1]: at x = 0 a component's fraction can only rise,
// at x = 1 only fall. A trial state of an integration may still overshoot;
// such a bound is then not where the solution is heading, and
// approaching_exit() passes it over.
// Plain code on raw arrays: no host header, no allocation, no state.
#ifndef MEX_SUITE_MODEL_DOMAIN_H
#define MEX_SUITE_MODEL_DOMAIN_H

#include <cstddef>

#include "vaporizer_state.h"

namespace vaporizer_model {

struct DomainLimits {
    double temperature_offset;
    const double *antoine_b;  // 7 values
    const double *antoine_c;  // 7 values
    double fraction_slack;    // how far a mole fraction may stray outside [0, 1]
    double least_level = 0.0; // the level must stay above it
    // Whether the solution can carry each fraction below 0 or above 1 (see
    // set_reachable_fractions()); an overshoot of a bound it cannot cross is
    // not named as where it left.
    bool fraction_can_fall[component_count] = {};
    bool fraction_can_rise[component_count] = {};
};

// Which fraction bounds the feeds let the solution cross. At x[k] = 0 the
// vapour carries none of component k, so x[k] moves with the component's
// feed, f[k] = F1 z1[k] + F2 z2[k] (for the dependent component 4, the total
// feed less the other six components' feeds): it can fall below 0 only if
// f[k] < 0. At x[k] = 1 it moves with f[k] - (F1 + F2): it can rise above 1
// only if f[k] > F1 + F2.
void set_reachable_fractions(DomainLimits &limits, double feed1_flow, const double *feed1_comp,
                             double feed2_flow, const double *feed2_comp);

// The bounds, in the order they are checked. A code is a bound and, for the
// per-component ones, the component (zero-based): kind * 8 + component.
enum DomainBound : int {
    inside = 0,
    level_not_positive = 1,
    below_absolute_zero = 2,
    beyond_vapour_pressure_pole = 3,
    fraction_below_zero = 4,
    fraction_above_one = 5,
    element_not_finite = 6,  // the component is the element (zero-based)
};
constexpr int code_of(DomainBound bound, int component = 0) { return bound * 8 + component; }
constexpr int bound_of(int code) { return code / 8; }
constexpr int component_of(int code) { return code % 8; }

// 0 when the state (8 values) lies inside the domain, otherwise the code of
// the first bound it lies beyond: a non-finite element first, then in the
// order of the enum.
int domain_exit(const double *state, const DomainLimits &limits);

// The bound that a state moving at the given rates (dstate/dt, 8 values)
// reaches first along a straight line, if it reaches one within the time
// given: its code, and in *time_to_reach how soon. 0 when none is reached
// that soon. For an integration whose steps collapsed near the domain's
// edge, this names the edge. Fraction bounds that the solution cannot cross
// are passed over.
int approaching_exit(const double *state, const double *rates, const DomainLimits &limits,
                     double within, double *time_to_reach);

// The holdup's residence time: the moles held, c * level * area with the
// molar density c = density_factor / sum(x[k] molar_mass[k] / density[k]),
// over the moles flowing through, |F1| + |F2| + |V|. The model's slowest
// natural time; infinity when nothing flows.
double residence_time(const double *state, double vapour_flow, double feed1_flow,
                      double feed2_flow, double area, const double *molar_mass,
                      const double *density, double density_factor);

// Whether a code of domain_exit() is a fraction bound that the solution
// cannot cross.
bool unreachable_fraction_bound(int code, const DomainLimits &limits);

// The seven liquid mole fractions of a state, as the model forms them.
void liquid_fractions(const double *state, double *fractions);

}  // namespace vaporizer_model

#endif
