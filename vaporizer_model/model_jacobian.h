// Exact first derivatives of the vaporizer model, by forward-mode automatic
// differentiation of the very code of vaporizer_derivatives: the
// linearisation
//
//   d(derivatives) = A d(state) + B du,   d(outputs) = C d(state) + D du
//
// with the inputs u (20, in this order) vapour_flow, heat_input,
// feed1_flow, feed1_comp[0..6], feed1_temp, feed2_flow, feed2_comp[0..6],
// feed2_temp, and the outputs (10) level, vapour_comp[0..6], temperature,
// pressure. A is 8x8, B 8x20, C 10x8, D 10x20, each stored column-major
// (the host's order), so element (i, j) of A is state_matrix[i + 8*j].
//
// Every routine takes the arguments of vaporizer_derivatives after its
// outputs, evaluates the model once, and may also hand back its values:
// they have the bits vaporizer_derivatives gives. Any output pointer may be
// null when that output is not wanted. No host header, no allocation (the
// derivative vectors have a fixed size and live on the stack), no state.
#ifndef MEX_SUITE_MODEL_JACOBIAN_H
#define MEX_SUITE_MODEL_JACOBIAN_H

#include "balance_equations.h"

namespace VAPORIZER_MODEL_NAMESPACE {

constexpr int input_count = 20;
constexpr int output_count = 10;

// A alone, for a Newton iteration's matrix: 8 derivative directions.
void vaporizer_state_jacobian(double *state_matrix, double *derivatives, const double *state,
                              double vapour_flow, double heat_input, double feed1_flow,
                              const double *feed1_comp, double feed1_temp, double feed2_flow,
                              const double *feed2_comp, double feed2_temp, double area,
                              const double *wilson_volume, const double *wilson_energy,
                              const double *molar_mass, const double *density,
                              const double *enthalpy_offset, const double *cp_liquid_a,
                              const double *cp_liquid_b, const double *cp_vapour_a,
                              const double *cp_vapour_b, const double *antoine_a,
                              const double *antoine_b, const double *antoine_c,
                              double gas_constant, double density_factor,
                              double temperature_offset);

// A and B together, for forward sensitivities: 28 derivative directions.
void vaporizer_state_input_jacobians(
    double *state_matrix, double *input_matrix, double *derivatives, const double *state,
    double vapour_flow, double heat_input, double feed1_flow, const double *feed1_comp,
    double feed1_temp, double feed2_flow, const double *feed2_comp, double feed2_temp,
    double area, const double *wilson_volume, const double *wilson_energy,
    const double *molar_mass, const double *density, const double *enthalpy_offset,
    const double *cp_liquid_a, const double *cp_liquid_b, const double *cp_vapour_a,
    const double *cp_vapour_b, const double *antoine_a, const double *antoine_b,
    const double *antoine_c, double gas_constant, double density_factor,
    double temperature_offset);

// All four matrices and every value of vaporizer_derivatives. With neither
// B nor D wanted it differentiates by the state alone, at the cost of
// vaporizer_state_jacobian.
void vaporizer_jacobians(double *state_matrix, double *input_matrix, double *output_matrix,
                         double *feedthrough_matrix, double *derivatives, double *level_out,
                         double *vapour_comp, double *temperature_out, double *pressure_out,
                         const double *state, double vapour_flow, double heat_input,
                         double feed1_flow, const double *feed1_comp, double feed1_temp,
                         double feed2_flow, const double *feed2_comp, double feed2_temp,
                         double area, const double *wilson_volume, const double *wilson_energy,
                         const double *molar_mass, const double *density,
                         const double *enthalpy_offset, const double *cp_liquid_a,
                         const double *cp_liquid_b, const double *cp_vapour_a,
                         const double *cp_vapour_b, const double *antoine_a,
                         const double *antoine_b, const double *antoine_c, double gas_constant,
                         double density_factor, double temperature_offset);

}  // namespace VAPORIZER_MODEL_NAMESPACE

#endif
