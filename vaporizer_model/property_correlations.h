// Thermodynamic properties of the seven-component mixture: molar enthalpies
// on the liquid and vapour bases, and Wilson activity coefficients.
//
// Plain routines on raw arrays: no host header, no allocation, no state.
// Component vectors hold 7 doubles, Wilson matrices 49 in flat order
// i*7 + j for the pair (i, j), which is row j+1, column i+1 of a
// column-major 7-by-7 host matrix. These are the double instances of the
// templates in property_correlations_impl.h.
#ifndef MEX_SUITE_PROPERTY_CORRELATIONS_H
#define MEX_SUITE_PROPERTY_CORRELATIONS_H

// A second copy of the routines can be compiled into another namespace (the
// unoptimised build that tests compare against bit for bit).
#ifndef VAPORIZER_MODEL_NAMESPACE
#define VAPORIZER_MODEL_NAMESPACE vaporizer_model
#endif

namespace VAPORIZER_MODEL_NAMESPACE {

constexpr int component_count = 7;

// Molar enthalpy of a mixture at one temperature on both bases. Each pure
// component's liquid-basis enthalpy is M[k] times the integral of
// a[k] + b[k]*t from 0 to T; the vapour basis uses c[k], d[k] and adds the
// offset e[k]. Both sums are written on every call.
void mixture_enthalpies(double *liquid_enthalpy, double *vapour_enthalpy,
                        const double *liquid_weights, const double *vapour_weights,
                        const double *temperature, const double *molar_mass,
                        const double *enthalpy_offset, const double *cp_liquid_a,
                        const double *cp_liquid_b, const double *cp_vapour_a,
                        const double *cp_vapour_b);

// Liquid activity coefficients gamma[0..6] by the multicomponent Wilson
// equation with Lambda[i][j] = V[i*7+j] * exp(-E[i*7+j] / (R * (T + T0))).
void wilson_activity(double *gamma, double temperature, const double *liquid_comp,
                     const double *wilson_volume, const double *wilson_energy,
                     double gas_constant, double temperature_offset);

}  // namespace VAPORIZER_MODEL_NAMESPACE

#endif
