#include "property_correlations.h"

#include "property_correlations_impl.h"

namespace VAPORIZER_MODEL_NAMESPACE {

void mixture_enthalpies(double *liquid_enthalpy, double *vapour_enthalpy,
                        const double *liquid_weights, const double *vapour_weights,
                        const double *temperature, const double *molar_mass,
                        const double *enthalpy_offset, const double *cp_liquid_a,
                        const double *cp_liquid_b, const double *cp_vapour_a,
                        const double *cp_vapour_b)
{
    generic::mixture_enthalpies<double>(liquid_enthalpy, vapour_enthalpy, liquid_weights,
                                        vapour_weights, temperature, molar_mass, enthalpy_offset,
                                        cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b);
}

void wilson_activity(double *gamma, double temperature, const double *liquid_comp,
                     const double *wilson_volume, const double *wilson_energy,
                     double gas_constant, double temperature_offset)
{
    generic::wilson_activity<double>(gamma, temperature, liquid_comp, wilson_volume,
                                     wilson_energy, gas_constant, temperature_offset);
}

}  // namespace VAPORIZER_MODEL_NAMESPACE
