#include "model_jacobian.h"

// Every derivative vector here has a size fixed at compile time, which Eigen
// keeps in place and never allocates. Its run-time assertions check sizes
// and indices that are constants here; they cost a quarter of the time of a
// Jacobian, so they are left out (the build defines no NDEBUG).
#define EIGEN_NO_DEBUG
#include <Eigen/Core>
#include <unsupported/Eigen/AutoDiff>

#include "balance_equations_impl.h"

namespace VAPORIZER_MODEL_NAMESPACE {

namespace {

// A value with its derivatives along N fixed directions: the state's 8,
// then, when there are 28, the 20 inputs.
template <int N>
using Dual = Eigen::AutoDiffScalar<Eigen::Matrix<double, N, 1>>;

constexpr int with_inputs = state_count + input_count;

}  // namespace

namespace generic {

// The value is the library's square, as in the double model; only the
// derivative, 2 t dt, is computed here.
template <int N>
struct TemperatureSquare<Dual<N>> {
    static Dual<N> of(const Dual<N> &t)
    {
        return Dual<N>(TemperatureSquare<double>::of(t.value()),
                       (2.0 * t.value()) * t.derivatives());
    }
};

}  // namespace generic

namespace {

// Column-major rows x columns, column j being direction first + j.
template <int N>
void store_matrix(double *matrix, const Dual<N> *values, int rows, int first, int columns)
{
    if (matrix == nullptr)
        return;
    for (int j = 0; j < columns; ++j)
        for (int i = 0; i < rows; ++i)
            matrix[i + rows * j] = values[i].derivatives()[first + j];
}

template <int N>
void store_values(double *values, const Dual<N> *duals, int count)
{
    if (values == nullptr)
        return;
    for (int i = 0; i < count; ++i)
        values[i] = duals[i].value();
}

// One evaluation of the model along N directions: the state's, then, with
// N = 28, the inputs' in the order of B's columns.
template <int N>
void linearise(double *state_matrix, double *input_matrix, double *output_matrix,
               double *feedthrough_matrix, double *derivatives, double *level_out,
               double *vapour_comp, double *temperature_out, double *pressure_out,
               const double *state, double vapour_flow, double heat_input, double feed1_flow,
               const double *feed1_comp, double feed1_temp, double feed2_flow,
               const double *feed2_comp, double feed2_temp, double area,
               const double *wilson_volume, const double *wilson_energy,
               const double *molar_mass, const double *density, const double *enthalpy_offset,
               const double *cp_liquid_a, const double *cp_liquid_b, const double *cp_vapour_a,
               const double *cp_vapour_b, const double *antoine_a, const double *antoine_b,
               const double *antoine_c, double gas_constant, double density_factor,
               double temperature_offset)
{
    const double inputs[input_count] = {
        vapour_flow,   heat_input,    feed1_flow,    feed1_comp[0], feed1_comp[1],
        feed1_comp[2], feed1_comp[3], feed1_comp[4], feed1_comp[5], feed1_comp[6],
        feed1_temp,    feed2_flow,    feed2_comp[0], feed2_comp[1], feed2_comp[2],
        feed2_comp[3], feed2_comp[4], feed2_comp[5], feed2_comp[6], feed2_temp};
    Dual<N> x[state_count];
    for (int j = 0; j < state_count; ++j)
        x[j] = Dual<N>(state[j], N, j);
    Dual<N> u[input_count];
    for (int j = 0; j < input_count; ++j) {
        if constexpr (N == with_inputs)
            u[j] = Dual<N>(inputs[j], N, state_count + j);
        else
            u[j] = Dual<N>(inputs[j]);
    }

    Dual<N> rates[state_count];
    // In the order of C's rows: level, vapour composition, temperature, pressure.
    Dual<N> outputs[output_count];
    generic::vaporizer_derivatives(rates, &outputs[0], &outputs[1], &outputs[8], &outputs[9], x,
                                   u[0], u[1], u[2], &u[3], u[10], u[11], &u[12], u[19], area,
                                   wilson_volume, wilson_energy, molar_mass, density,
                                   enthalpy_offset, cp_liquid_a, cp_liquid_b, cp_vapour_a,
                                   cp_vapour_b, antoine_a, antoine_b, antoine_c, gas_constant,
                                   density_factor, temperature_offset);

    store_matrix(state_matrix, rates, state_count, 0, state_count);
    store_matrix(output_matrix, outputs, output_count, 0, state_count);
    if constexpr (N == with_inputs) {
        store_matrix(input_matrix, rates, state_count, state_count, input_count);
        store_matrix(feedthrough_matrix, outputs, output_count, state_count, input_count);
    }
    store_values(derivatives, rates, state_count);
    store_values(level_out, &outputs[0], 1);
    store_values(vapour_comp, &outputs[1], component_count);
    store_values(temperature_out, &outputs[8], 1);
    store_values(pressure_out, &outputs[9], 1);
}

}  // namespace

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
                              double temperature_offset)
{
    linearise<state_count>(state_matrix, nullptr, nullptr, nullptr, derivatives, nullptr,
                           nullptr, nullptr, nullptr, state, vapour_flow, heat_input, feed1_flow,
                           feed1_comp, feed1_temp, feed2_flow, feed2_comp, feed2_temp, area,
                           wilson_volume, wilson_energy, molar_mass, density, enthalpy_offset,
                           cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b, antoine_a,
                           antoine_b, antoine_c, gas_constant, density_factor,
                           temperature_offset);
}

void vaporizer_state_input_jacobians(
    double *state_matrix, double *input_matrix, double *derivatives, const double *state,
    double vapour_flow, double heat_input, double feed1_flow, const double *feed1_comp,
    double feed1_temp, double feed2_flow, const double *feed2_comp, double feed2_temp,
    double area, const double *wilson_volume, const double *wilson_energy,
    const double *molar_mass, const double *density, const double *enthalpy_offset,
    const double *cp_liquid_a, const double *cp_liquid_b, const double *cp_vapour_a,
    const double *cp_vapour_b, const double *antoine_a, const double *antoine_b,
    const double *antoine_c, double gas_constant, double density_factor,
    double temperature_offset)
{
    linearise<with_inputs>(state_matrix, input_matrix, nullptr, nullptr, derivatives, nullptr,
                           nullptr, nullptr, nullptr, state, vapour_flow, heat_input, feed1_flow,
                           feed1_comp, feed1_temp, feed2_flow, feed2_comp, feed2_temp, area,
                           wilson_volume, wilson_energy, molar_mass, density, enthalpy_offset,
                           cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b, antoine_a,
                           antoine_b, antoine_c, gas_constant, density_factor,
                           temperature_offset);
}

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
                         double density_factor, double temperature_offset)
{
    // Directions nobody asked for would cost 20 of every 28 derivative terms.
    auto *linearise_here = input_matrix == nullptr && feedthrough_matrix == nullptr
                               ? &linearise<state_count>
                               : &linearise<with_inputs>;
    linearise_here(state_matrix, input_matrix, output_matrix, feedthrough_matrix, derivatives,
                   level_out, vapour_comp, temperature_out, pressure_out, state, vapour_flow,
                   heat_input, feed1_flow, feed1_comp, feed1_temp, feed2_flow, feed2_comp,
                   feed2_temp, area, wilson_volume, wilson_energy, molar_mass, density,
                   enthalpy_offset, cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b,
                   antoine_a, antoine_b, antoine_c, gas_constant, density_factor,
                   temperature_offset);
}

}  // namespace VAPORIZER_MODEL_NAMESPACE
