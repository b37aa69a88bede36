// The vaporizer's state and operating inputs: the one place their layout is
// written. Every routine that reads an element by position names it here.
//
// The state (8 values): the liquid mole fractions of components 1, 2, 3, 5,
// 6 and 7 (zero-based 0, 1, 2, 4, 5, 6), then the level, then the
// temperature. Component 4 (zero-based 3) is the dependent one: its
// fraction is 1 less the six others, added left to right.
//
// The operating inputs u (20 values), the inputs a sampled loop holds over
// an interval, in the order of vaporizer_linearize's B and D columns:
// vapour_flow, heat_input, feed1_flow, feed1_comp[0..6], feed1_temp,
// feed2_flow, feed2_comp[0..6], feed2_temp.
//
// The outputs besides the derivatives (10 values), in the order of C's and
// D's rows: level, vapour_comp[0..6], temperature, pressure.
//
// Host-free, header-only: constants and one template.
#ifndef MEX_SUITE_VAPORIZER_STATE_H
#define MEX_SUITE_VAPORIZER_STATE_H

#include "property_correlations.h"

namespace VAPORIZER_MODEL_NAMESPACE {

// The state: its elements by position.
constexpr int fraction_count = 6;  // elements 0 to 5
constexpr int state_level = 6;
constexpr int state_temperature = 7;
constexpr int state_count = 8;
constexpr int dependent_component = 3;

// The operating inputs: positions in u.
namespace operating {
constexpr int vapour_flow = 0;
constexpr int heat_input = 1;
constexpr int feed1_flow = 2;
constexpr int feed1_comp = 3;  // 7 values
constexpr int feed1_temp = 10;
constexpr int feed2_flow = 11;
constexpr int feed2_comp = 12;  // 7 values
constexpr int feed2_temp = 19;
}  // namespace operating
constexpr int input_count = 20;

// The outputs: positions in the 10 of C's rows.
namespace output {
constexpr int level = 0;
constexpr int vapour_comp = 1;  // 7 values
constexpr int temperature = 8;
constexpr int pressure = 9;
}  // namespace output
constexpr int output_count = 10;

namespace generic {

// The component of each of the state's six fractions.
constexpr int fraction_component[fraction_count] = {0, 1, 2, 4, 5, 6};

// The seven liquid mole fractions of a state, as the model forms them; the
// dependent one's sum runs left to right, as the results' bits want it.
template <class Scalar>
void liquid_fractions(const Scalar *state, Scalar *x)
{
    x[dependent_component] =
        1.0 - (state[0] + state[1] + state[2] + state[3] + state[4] + state[5]);
    for (int e = 0; e < fraction_count; ++e)
        x[fraction_component[e]] = state[e];
}

// The seven fractions' rates from the state's six: the dependent one's is
// less their sum, added left to right as in liquid_fractions().
template <class Scalar>
void fraction_rates(const Scalar *rates, Scalar *dx)
{
    Scalar sum = rates[0];
    for (int e = 1; e < fraction_count; ++e)
        sum = sum + rates[e];
    dx[dependent_component] = -sum;
    for (int e = 0; e < fraction_count; ++e)
        dx[fraction_component[e]] = rates[e];
}

// The state's six fraction rates from the seven components' (the
// dependent one's is not a state).
template <class Scalar>
void state_fraction_rates(const Scalar *dx, Scalar *rates)
{
    for (int e = 0; e < fraction_count; ++e)
        rates[e] = dx[fraction_component[e]];
}

}  // namespace generic

}  // namespace VAPORIZER_MODEL_NAMESPACE

#endif
