// The balance equations written once for any scalar type that behaves like
// double (see property_correlations_impl.h): balance_equations.cpp
// instantiates them for double, model_jacobian.cpp for forward-mode
// differentiation, whose value parts therefore keep the double bits.
//
// The state, the flows, the feed compositions and temperatures and the heat
// input take the scalar type, as they are what a linearisation differentiates
// by; the area and the property data take the data type, double but where
// their own derivatives are wanted.
#ifndef MEX_SUITE_BALANCE_EQUATIONS_IMPL_H
#define MEX_SUITE_BALANCE_EQUATIONS_IMPL_H

#include <cmath>

#include "balance_equations.h"
#include "property_correlations_impl.h"

namespace VAPORIZER_MODEL_NAMESPACE {
namespace generic {

template <class Scalar>
void copy_composition(Scalar *copy, const Scalar *composition)
{
    for (int k = 0; k < component_count; ++k)
        copy[k] = composition[k];
}

template <class Scalar, class Data = double>
void vaporizer_derivatives(Scalar *derivatives, Scalar *level_out, Scalar *vapour_comp,
                           Scalar *temperature_out, Scalar *pressure_out, const Scalar *state,
                           const Scalar &vapour_flow, const Scalar &heat_input,
                           const Scalar &feed1_flow, const Scalar *feed1_comp,
                           const Scalar &feed1_temp, const Scalar &feed2_flow,
                           const Scalar *feed2_comp, const Scalar &feed2_temp, const Data &area,
                           const Data *wilson_volume, const Data *wilson_energy,
                           const Data *molar_mass, const Data *density,
                           const Data *enthalpy_offset, const Data *cp_liquid_a,
                           const Data *cp_liquid_b, const Data *cp_vapour_a,
                           const Data *cp_vapour_b, const Data *antoine_a,
                           const Data *antoine_b, const Data *antoine_c, const Data &gas_constant,
                           const Data &density_factor, const Data &temperature_offset)
{
    constexpr int n = component_count;
    // Every element of these is written before it is read.
    Scalar x[n];
    Scalar saturation[n];
    Scalar gamma[n];
    Scalar y[n];
    Scalar dx[n];
    Scalar weights[n];
    Scalar unused = 0.0;

    liquid_fractions(state, x);
    const Scalar &level = state[state_level];
    const Scalar &t = state[state_temperature];

    Scalar molar_volume = 0.0;
    for (int k = 0; k < n; ++k)
        molar_volume = molar_volume + x[k] * molar_mass[k] / density[k];
    const Scalar molar_density = density_factor / molar_volume;
    const Scalar volume = level * area;

    // Feed 1 arrives on the vapour basis, feed 2 on the liquid basis.
    Scalar feed1_enthalpy = 0.0;
    copy_composition(weights, feed1_comp);
    mixture_enthalpies(&unused, &feed1_enthalpy, weights, weights, &feed1_temp, molar_mass,
                       enthalpy_offset, cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b);
    Scalar feed2_enthalpy = 0.0;
    copy_composition(weights, feed2_comp);
    mixture_enthalpies(&feed2_enthalpy, &unused, weights, weights, &feed2_temp, molar_mass,
                       enthalpy_offset, cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b);

    wilson_activity(gamma, t, x, wilson_volume, wilson_energy, gas_constant, temperature_offset);

    for (int k = 0; k < n; ++k)
        saturation[k] = VapourPressure<Scalar>::of(antoine_a[k] + antoine_b[k] / (t + antoine_c[k]));

    Scalar pressure = 0.0;
    for (int k = 0; k < n; ++k)
        pressure = pressure + x[k] * saturation[k] * gamma[k];
    for (int k = 0; k < n; ++k)
        y[k] = x[k] * saturation[k] * gamma[k] / pressure;

    Scalar liquid_enthalpy = 0.0;
    copy_composition(weights, x);
    mixture_enthalpies(&liquid_enthalpy, &unused, weights, weights, &t, molar_mass,
                       enthalpy_offset, cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b);
    Scalar vapour_enthalpy = 0.0;
    copy_composition(weights, y);
    mixture_enthalpies(&unused, &vapour_enthalpy, weights, weights, &t, molar_mass,
                       enthalpy_offset, cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b);

    Scalar heat_capacity = 0.0;
    for (int k = 0; k < n; ++k)
        heat_capacity = heat_capacity + x[k] * molar_mass[k] * (cp_liquid_a[k] + cp_liquid_b[k] * t);

    const Scalar net_inflow = (feed1_flow + feed2_flow) - vapour_flow;

    for (int k = 0; k < n; ++k)
        dx[k] = ((feed1_flow * feed1_comp[k] + feed2_flow * feed2_comp[k]) - vapour_flow * y[k] -
                 x[k] * net_inflow) /
                molar_density / volume;
    const Scalar level_rate = net_inflow / molar_density / area;
    // Every stream's enthalpy counts relative to the holdup's liquid.
    const Scalar temperature_rate =
        ((feed1_flow * (feed1_enthalpy - liquid_enthalpy) +
          feed2_flow * (feed2_enthalpy - liquid_enthalpy)) -
         vapour_flow * (vapour_enthalpy - liquid_enthalpy) + heat_input) /
        (molar_density * volume) / heat_capacity;

    *level_out = state[state_level];
    for (int k = 0; k < n; ++k)
        vapour_comp[k] = y[k];
    *temperature_out = state[state_temperature];
    *pressure_out = pressure;
    state_fraction_rates(dx, derivatives);
    derivatives[state_level] = level_rate;
    derivatives[state_temperature] = temperature_rate;
}

}  // namespace generic
}  // namespace VAPORIZER_MODEL_NAMESPACE

#endif
