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

// An exponential that underflowed to 0 has derivative 0, also where the
// exponent's derivative is infinite (at the pole of a vapour pressure).
template <int N>
struct VapourPressure<Dual<N>> {
    static Dual<N> of(const Dual<N> &exponent)
    {
        using std::exp;
        Dual<N> pressure = exp(exponent);
        if (pressure.value() == 0.0)
            pressure.derivatives().setZero();
        return pressure;
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
void linearise(const Linearisation &wanted, const double *state, const ModelInputs &inputs)
{
    using namespace vaporizer_arguments;
    const double *const *a = inputs.arrays;
    const double *s = inputs.scalars;
    const double *z1 = a[IN_FEED1_COMP], *z2 = a[IN_FEED2_COMP];
    const double u_values[input_count] = {
        s[IN_VAPOUR_FLOW], s[IN_HEAT_INPUT], s[IN_FEED1_FLOW], z1[0], z1[1], z1[2], z1[3],
        z1[4], z1[5], z1[6], s[IN_FEED1_TEMP], s[IN_FEED2_FLOW], z2[0], z2[1], z2[2], z2[3],
        z2[4], z2[5], z2[6], s[IN_FEED2_TEMP]};
    Dual<N> x[state_count];
    for (int j = 0; j < state_count; ++j)
        x[j] = Dual<N>(state[j], N, j);
    Dual<N> u[input_count];
    for (int j = 0; j < input_count; ++j) {
        if constexpr (N == with_inputs)
            u[j] = Dual<N>(u_values[j], N, state_count + j);
        else
            u[j] = Dual<N>(u_values[j]);
    }

    Dual<N> rates[state_count];
    // In the order of C's rows: level, vapour composition, temperature, pressure.
    Dual<N> outputs[output_count];
    generic::vaporizer_derivatives(
        rates, &outputs[0], &outputs[1], &outputs[8], &outputs[9], x, u[0], u[1], u[2], &u[3],
        u[10], u[11], &u[12], u[19], s[IN_AREA], a[IN_WILSON_VOLUME], a[IN_WILSON_ENERGY],
        a[IN_MOLAR_MASS], a[IN_DENSITY], a[IN_ENTHALPY_OFFSET], a[IN_CP_LIQUID_A],
        a[IN_CP_LIQUID_B], a[IN_CP_VAPOUR_A], a[IN_CP_VAPOUR_B], a[IN_ANTOINE_A], a[IN_ANTOINE_B],
        a[IN_ANTOINE_C], s[IN_GAS_CONSTANT], s[IN_DENSITY_FACTOR], s[IN_TEMPERATURE_OFFSET]);

    store_matrix(wanted.state_matrix, rates, state_count, 0, state_count);
    store_matrix(wanted.output_matrix, outputs, output_count, 0, state_count);
    if constexpr (N == with_inputs) {
        store_matrix(wanted.input_matrix, rates, state_count, state_count, input_count);
        store_matrix(wanted.feedthrough_matrix, outputs, output_count, state_count, input_count);
    }
    store_values(wanted.derivatives, rates, state_count);
    store_values(wanted.level, &outputs[0], 1);
    store_values(wanted.vapour_comp, &outputs[1], component_count);
    store_values(wanted.temperature, &outputs[8], 1);
    store_values(wanted.pressure, &outputs[9], 1);
}

}  // namespace

void vaporizer_state_jacobian(double *state_matrix, double *derivatives, const double *state,
                              const ModelInputs &inputs)
{
    Linearisation wanted;
    wanted.state_matrix = state_matrix;
    wanted.derivatives = derivatives;
    linearise<state_count>(wanted, state, inputs);
}

void vaporizer_state_input_jacobians(double *state_matrix, double *input_matrix,
                                     double *derivatives, const double *state,
                                     const ModelInputs &inputs)
{
    Linearisation wanted;
    wanted.state_matrix = state_matrix;
    wanted.input_matrix = input_matrix;
    wanted.derivatives = derivatives;
    linearise<with_inputs>(wanted, state, inputs);
}

void vaporizer_jacobians(const Linearisation &wanted, const double *state,
                         const ModelInputs &inputs)
{
    // Directions nobody asked for would cost 20 of every 28 derivative terms.
    if (wanted.input_matrix == nullptr && wanted.feedthrough_matrix == nullptr)
        linearise<state_count>(wanted, state, inputs);
    else
        linearise<with_inputs>(wanted, state, inputs);
}

}  // namespace VAPORIZER_MODEL_NAMESPACE
