#include "balance_equations.h"

#include <cmath>

namespace VAPORIZER_MODEL_NAMESPACE {

namespace {

constexpr int n = component_count;

void copy_composition(double *copy, const double *composition)
{
    for (int k = 0; k < n; ++k)
        copy[k] = composition[k];
}

}  // namespace

void vaporizer_derivatives(double *derivatives, double *level_out, double *vapour_comp,
                           double *temperature_out, double *pressure_out, const double *state,
                           double vapour_flow, double heat_input, double feed1_flow,
                           const double *feed1_comp, double feed1_temp, double feed2_flow,
                           const double *feed2_comp, double feed2_temp, double area,
                           const double *wilson_volume, const double *wilson_energy,
                           const double *molar_mass, const double *density,
                           const double *enthalpy_offset, const double *cp_liquid_a,
                           const double *cp_liquid_b, const double *cp_vapour_a,
                           const double *cp_vapour_b, const double *antoine_a,
                           const double *antoine_b, const double *antoine_c, double gas_constant,
                           double density_factor, double temperature_offset)
{
    double x[n] = {};
    double saturation[n] = {};
    double gamma[n] = {};
    double y[n] = {};
    double dx[n] = {};
    double weights[n] = {};
    double unused = 0.0;

    x[0] = state[0];
    x[1] = state[1];
    x[2] = state[2];
    x[3] = 1.0 - (state[0] + state[1] + state[2] + state[3] + state[4] + state[5]);
    x[4] = state[3];
    x[5] = state[4];
    x[6] = state[5];
    const double level = state[6];
    const double t = state[7];

    double molar_volume = 0.0;
    for (int k = 0; k < n; ++k)
        molar_volume = molar_volume + x[k] * molar_mass[k] / density[k];
    const double molar_density = density_factor / molar_volume;
    const double volume = level * area;

    // Feed 1 arrives on the vapour basis, feed 2 on the liquid basis.
    double feed1_enthalpy = 0.0;
    copy_composition(weights, feed1_comp);
    mixture_enthalpies(&unused, &feed1_enthalpy, weights, weights, &feed1_temp, molar_mass,
                       enthalpy_offset, cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b);
    double feed2_enthalpy = 0.0;
    copy_composition(weights, feed2_comp);
    mixture_enthalpies(&feed2_enthalpy, &unused, weights, weights, &feed2_temp, molar_mass,
                       enthalpy_offset, cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b);

    wilson_activity(gamma, t, x, wilson_volume, wilson_energy, gas_constant, temperature_offset);

    for (int k = 0; k < n; ++k)
        saturation[k] = std::exp(antoine_a[k] + antoine_b[k] / (t + antoine_c[k]));

    double pressure = 0.0;
    for (int k = 0; k < n; ++k)
        pressure = pressure + x[k] * saturation[k] * gamma[k];
    for (int k = 0; k < n; ++k)
        y[k] = x[k] * saturation[k] * gamma[k] / pressure;

    double liquid_enthalpy = 0.0;
    copy_composition(weights, x);
    mixture_enthalpies(&liquid_enthalpy, &unused, weights, weights, &t, molar_mass,
                       enthalpy_offset, cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b);
    double vapour_enthalpy = 0.0;
    copy_composition(weights, y);
    mixture_enthalpies(&unused, &vapour_enthalpy, weights, weights, &t, molar_mass,
                       enthalpy_offset, cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b);

    double heat_capacity = 0.0;
    for (int k = 0; k < n; ++k)
        heat_capacity = heat_capacity + x[k] * molar_mass[k] * (cp_liquid_a[k] + cp_liquid_b[k] * t);

    const double net_inflow = (feed1_flow + feed2_flow) - vapour_flow;

    for (int k = 0; k < n; ++k)
        dx[k] = ((feed1_flow * feed1_comp[k] + feed2_flow * feed2_comp[k]) - vapour_flow * y[k] -
                 x[k] * net_inflow) /
                molar_density / volume;
    const double level_rate = net_inflow / molar_density / area;
    // Every stream's enthalpy counts relative to the holdup's liquid.
    const double temperature_rate =
        ((feed1_flow * (feed1_enthalpy - liquid_enthalpy) +
          feed2_flow * (feed2_enthalpy - liquid_enthalpy)) -
         vapour_flow * (vapour_enthalpy - liquid_enthalpy) + heat_input) /
        (molar_density * volume) / heat_capacity;

    *level_out = state[6];
    for (int k = 0; k < n; ++k)
        vapour_comp[k] = y[k];
    *temperature_out = state[7];
    *pressure_out = pressure;
    derivatives[0] = dx[0];
    derivatives[1] = dx[1];
    derivatives[2] = dx[2];
    derivatives[3] = dx[4];
    derivatives[4] = dx[5];
    derivatives[5] = dx[6];
    derivatives[6] = level_rate;
    derivatives[7] = temperature_rate;
}

}  // namespace VAPORIZER_MODEL_NAMESPACE
