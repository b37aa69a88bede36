// Right-hand side of the vaporizer: a well-mixed liquid holdup of seven
// components in a vessel of constant cross-section, fed by two streams,
// heated, and losing a vapour stream in equilibrium with the liquid.
//
// The state's layout (8 values: six mole fractions, the level, the
// temperature) is vaporizer_state.h's.
//
// No host header, no allocation, no state; reads only the first 8 state
// values, 7 of each component vector and 49 of each Wilson matrix, writes
// only derivatives[0..7], vapour_comp[0..6] and the three scalars. This is
// the double instance of the template in balance_equations_impl.h, which
// model_jacobian.h differentiates.
#ifndef MEX_SUITE_BALANCE_EQUATIONS_H
#define MEX_SUITE_BALANCE_EQUATIONS_H

#include "property_correlations.h"
#include "vaporizer_state.h"

namespace VAPORIZER_MODEL_NAMESPACE {

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
                           double density_factor, double temperature_offset);

}  // namespace VAPORIZER_MODEL_NAMESPACE

#endif
