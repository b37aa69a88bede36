#include "model_jacobian.h"

// Every derivative vector here has a size fixed at compile time, which Eigen
// keeps in place and never allocates. Its run-time assertions check sizes
// and indices that are constants here; they cost a quarter of the time of a
// Jacobian, so they are left out (the build defines no NDEBUG).
#define EIGEN_NO_DEBUG
#include <Eigen/Core>
#include <unsupported/Eigen/AutoDiff>

#include <algorithm>

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
    double u_values[input_count];
    operating_inputs(inputs, u_values);
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
    Dual<N> outputs[output_count];  // in the order of C's rows
    namespace at = operating;
    generic::vaporizer_derivatives(
        rates, &outputs[output::level], &outputs[output::vapour_comp],
        &outputs[output::temperature], &outputs[output::pressure], x, u[at::vapour_flow],
        u[at::heat_input], u[at::feed1_flow], &u[at::feed1_comp], u[at::feed1_temp],
        u[at::feed2_flow], &u[at::feed2_comp], u[at::feed2_temp], s[IN_AREA], a[IN_WILSON_VOLUME], a[IN_WILSON_ENERGY],
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
    store_values(wanted.level, &outputs[output::level], 1);
    store_values(wanted.vapour_comp, &outputs[output::vapour_comp], component_count);
    store_values(wanted.temperature, &outputs[output::temperature], 1);
    store_values(wanted.pressure, &outputs[output::pressure], 1);
}

}  // namespace

namespace {

// Directions per evaluation by the property data.
constexpr int parameter_chunk = 8;
using ChunkDual = Dual<parameter_chunk>;
using parameter_selection::first_element;
using parameter_selection::property_elements;

// The property data as the model reads them, as values of the chunk's type
// with no derivative but along the directions seeded.
struct PropertyData {
    ChunkDual values[property_elements];

    explicit PropertyData(const ModelInputs &in)
    {
        using namespace vaporizer_arguments;
        for (int p = IN_AREA; p < MODEL_INPUT_COUNT; ++p)
            for (std::size_t e = 0; e < parameter_selection::read_count(p); ++e)
                values[first_element(p) + e] = ChunkDual(parameter_selection::value_of({p, e}, in));
    }
    const ChunkDual *of(int input) const { return &values[first_element(input)]; }
    // A selected element, or null for one the model does not read.
    ChunkDual *element(const parameter_selection::Parameter &p)
    {
        if (p.element >= parameter_selection::read_count(p.input))
            return nullptr;
        return &values[first_element(p.input) + p.element];
    }
    const ChunkDual &scalar(int input) const { return values[first_element(input)]; }
};

}  // namespace

void vaporizer_parameter_jacobians(double *rate_matrix, double *output_matrix,
                                   const double *state, const ModelInputs &inputs,
                                   const parameter_selection::ParameterSelection &selection)
{
    using namespace vaporizer_arguments;
    PropertyData data(inputs);
    ChunkDual x[state_count];
    for (int j = 0; j < state_count; ++j)
        x[j] = ChunkDual(state[j]);
    double u_values[input_count];
    operating_inputs(inputs, u_values);
    ChunkDual u[input_count];
    for (int j = 0; j < input_count; ++j)
        u[j] = ChunkDual(u_values[j]);

    namespace at = operating;
    for (std::size_t first = 0; first < selection.count; first += parameter_chunk) {
        const int columns = static_cast<int>(
            std::min<std::size_t>(parameter_chunk, selection.count - first));
        // The chunk's seeds, on data that carry none (as made, or as the
        // last chunk left them once its seeds were cleared).
        for (int j = 0; j < columns; ++j)
            if (ChunkDual *seeded = data.element(selection.rows[first + j]))
                seeded->derivatives()[j] = 1.0;
        ChunkDual rates[state_count];
        ChunkDual outputs[output_count];
        generic::vaporizer_derivatives(
            rates, &outputs[output::level], &outputs[output::vapour_comp],
            &outputs[output::temperature], &outputs[output::pressure], x, u[at::vapour_flow],
            u[at::heat_input], u[at::feed1_flow], &u[at::feed1_comp], u[at::feed1_temp],
            u[at::feed2_flow], &u[at::feed2_comp], u[at::feed2_temp], data.scalar(IN_AREA),
            data.of(IN_WILSON_VOLUME), data.of(IN_WILSON_ENERGY), data.of(IN_MOLAR_MASS),
            data.of(IN_DENSITY), data.of(IN_ENTHALPY_OFFSET), data.of(IN_CP_LIQUID_A),
            data.of(IN_CP_LIQUID_B), data.of(IN_CP_VAPOUR_A), data.of(IN_CP_VAPOUR_B),
            data.of(IN_ANTOINE_A), data.of(IN_ANTOINE_B), data.of(IN_ANTOINE_C),
            data.scalar(IN_GAS_CONSTANT), data.scalar(IN_DENSITY_FACTOR),
            data.scalar(IN_TEMPERATURE_OFFSET));
        if (rate_matrix != nullptr)
            store_matrix(rate_matrix + state_count * first, rates, state_count, 0, columns);
        if (output_matrix != nullptr)
            store_matrix(output_matrix + output_count * first, outputs, output_count, 0, columns);
        for (int j = 0; j < columns; ++j)
            if (ChunkDual *seeded = data.element(selection.rows[first + j]))
                seeded->derivatives().setZero();
    }
}

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
                         const ModelInputs &inputs,
                         const parameter_selection::ParameterSelection *selection)
{
    // Directions nobody asked for would cost 20 of every 28 derivative terms.
    if (wanted.input_matrix == nullptr && wanted.feedthrough_matrix == nullptr)
        linearise<state_count>(wanted, state, inputs);
    else
        linearise<with_inputs>(wanted, state, inputs);
    if (selection != nullptr &&
        (wanted.parameter_rate_matrix != nullptr || wanted.parameter_output_matrix != nullptr))
        vaporizer_parameter_jacobians(wanted.parameter_rate_matrix,
                                      wanted.parameter_output_matrix, state, inputs, *selection);
}

}  // namespace VAPORIZER_MODEL_NAMESPACE
