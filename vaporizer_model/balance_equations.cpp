#include "balance_equations.h"

#include "balance_equations_impl.h"

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
                           double density_factor, double temperature_offset)
{
    generic::vaporizer_derivatives<double>(
        derivatives, level_out, vapour_comp, temperature_out, pressure_out, state, vapour_flow,
        heat_input, feed1_flow, feed1_comp, feed1_temp, feed2_flow, feed2_comp, feed2_temp, area,
        wilson_volume, wilson_energy, molar_mass, density, enthalpy_offset, cp_liquid_a,
        cp_liquid_b, cp_vapour_a, cp_vapour_b, antoine_a, antoine_b, antoine_c, gas_constant,
        density_factor, temperature_offset);
}

}  // namespace VAPORIZER_MODEL_NAMESPACE
