// The model's Jacobians against complex-step derivatives of the tests' own
// writing of the model (vaporizer_reference.h), and the cheaper entry points
// and the values against the full routine and vaporizer_derivatives, bit
// for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

#include "balance_equations.h"
#include "model_jacobian.h"
#include "model_inputs.h"
#include "vaporizer_inputs.h"
#include "vaporizer_reference.h"

namespace {

using namespace vaporizer_model;
using Complex = std::complex<double>;

// Runs a routine that takes the arguments of vaporizer_derivatives after its
// own outputs.
template <class Routine, class... Outputs>
void call(Routine routine, const VaporizerInputs &in, Outputs... outputs)
{
    routine(outputs..., in.state.data(), model_inputs(in));
}

struct Matrices {
    std::vector<double> a = std::vector<double>(8 * 8), b = std::vector<double>(8 * 20),
                        c = std::vector<double>(10 * 8), d = std::vector<double>(10 * 20);
};

// Complex-step derivatives, column by column: a step of 1e-20 along one
// imaginary direction leaves the real parts untouched and makes the
// imaginary parts the derivatives times the step, with no subtraction to
// lose digits to.
Matrices complex_step(const VaporizerInputs &in)
{
    const double h = 1e-20;
    Complex s[8], u[20];
    std::copy(in.state.begin(), in.state.begin() + 8, s);
    const std::vector<double> inputs = operating_inputs(in);
    std::copy(inputs.begin(), inputs.end(), u);
    Matrices l;
    for (int j = 0; j < 28; ++j) {
        Complex &moved = j < 8 ? s[j] : u[j - 8];
        moved += Complex(0.0, h);
        Complex rates[8], outputs[10];
        vaporizer_reference(rates, outputs, s, u, in, [](const Complex &t) { return t * t; });
        moved = moved.real();
        for (int i = 0; i < 8; ++i)
            (j < 8 ? l.a[i + 8 * j] : l.b[i + 8 * (j - 8)]) = rates[i].imag() / h;
        for (int i = 0; i < 10; ++i)
            (j < 8 ? l.c[i + 10 * j] : l.d[i + 10 * (j - 8)]) = outputs[i].imag() / h;
    }
    return l;
}

// The property data in complex numbers, and each element by the position
// of its input (zero-based, as the model's input table counts).
struct ComplexProperties {
    Complex area, gas_constant, density_factor, temperature_offset;
    std::vector<Complex> wilson_volume, wilson_energy, molar_mass, density, enthalpy_offset,
        cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b, antoine_a, antoine_b, antoine_c;

    explicit ComplexProperties(const VaporizerInputs &in)
        : area(in.area), gas_constant(in.gas_constant), density_factor(in.density_factor),
          temperature_offset(in.temperature_offset)
    {
        for (std::size_t v = 0; v < vectors.size(); ++v)
            this->*vectors[v] = std::vector<Complex>(
                (in.*double_vectors[v]).begin(), (in.*double_vectors[v]).end());
    }
    Complex &element(int input, std::size_t e)
    {
        using namespace vaporizer_arguments;
        switch (input) {
        case IN_AREA: return area;
        case IN_GAS_CONSTANT: return gas_constant;
        case IN_DENSITY_FACTOR: return density_factor;
        case IN_TEMPERATURE_OFFSET: return temperature_offset;
        default: return (this->*vectors[input - IN_WILSON_VOLUME])[e];
        }
    }

    using Vector = std::vector<Complex> ComplexProperties::*;
    using DoubleVector = std::vector<double> VaporizerInputs::*;
    static constexpr std::array<Vector, 12> vectors{
        &ComplexProperties::wilson_volume, &ComplexProperties::wilson_energy,
        &ComplexProperties::molar_mass,    &ComplexProperties::density,
        &ComplexProperties::enthalpy_offset, &ComplexProperties::cp_liquid_a,
        &ComplexProperties::cp_liquid_b,   &ComplexProperties::cp_vapour_a,
        &ComplexProperties::cp_vapour_b,   &ComplexProperties::antoine_a,
        &ComplexProperties::antoine_b,     &ComplexProperties::antoine_c};
    static constexpr std::array<DoubleVector, 12> double_vectors{
        &VaporizerInputs::wilson_volume, &VaporizerInputs::wilson_energy,
        &VaporizerInputs::molar_mass,    &VaporizerInputs::density,
        &VaporizerInputs::enthalpy_offset, &VaporizerInputs::cp_liquid_a,
        &VaporizerInputs::cp_liquid_b,   &VaporizerInputs::cp_vapour_a,
        &VaporizerInputs::cp_vapour_b,   &VaporizerInputs::antoine_a,
        &VaporizerInputs::antoine_b,     &VaporizerInputs::antoine_c};
};

// E and F by complex steps in the selected property elements.
void complex_step_by_parameters(const VaporizerInputs &in,
                                const parameter_selection::ParameterSelection &selection,
                                std::vector<double> &e, std::vector<double> &f)
{
    const double h = 1e-20;
    Complex s[8], u[20];
    std::copy(in.state.begin(), in.state.begin() + 8, s);
    const std::vector<double> inputs = operating_inputs(in);
    std::copy(inputs.begin(), inputs.end(), u);
    ComplexProperties p(in);
    for (std::size_t j = 0; j < selection.count; ++j) {
        Complex &moved = p.element(selection.rows[j].input, selection.rows[j].element);
        moved += Complex(0.0, h);
        Complex rates[8], outputs[10];
        vaporizer_reference(rates, outputs, s, u, p, [](const Complex &t) { return t * t; });
        moved = moved.real();
        for (int i = 0; i < 8; ++i)
            e[i + 8 * j] = rates[i].imag() / h;
        for (int i = 0; i < 10; ++i)
            f[i + 10 * j] = outputs[i].imag() / h;
    }
}

Matrices full_linearisation(const VaporizerInputs &in, VaporizerOutputs &values)
{
    Matrices l;
    vaporizer_model::Linearisation wanted;
    wanted.state_matrix = l.a.data();
    wanted.input_matrix = l.b.data();
    wanted.output_matrix = l.c.data();
    wanted.feedthrough_matrix = l.d.data();
    wanted.derivatives = values.derivatives.data();
    wanted.level = &values.level;
    wanted.vapour_comp = values.vapour_comp.data();
    wanted.temperature = &values.temperature;
    wanted.pressure = &values.pressure;
    vaporizer_jacobians(wanted, in.state.data(), model_inputs(in));
    return l;
}

// The largest error relative to the reference element (absolute where
// that is zero, as the whole of D is: the outputs depend on the state alone).
double worst_error(const std::vector<double> &got, const std::vector<double> &expected)
{
    double worst = 0.0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const double error = std::abs(got[i] - expected[i]);
        worst = std::max(worst, expected[i] == 0.0 ? error : error / std::abs(expected[i]));
    }
    return worst;
}

bool same_bits(const std::vector<double> &a, const std::vector<double> &b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(VaporizerJacobian, MatchesComplexStepDerivativesOfAnIndependentModel)
{
    std::mt19937_64 random(20261212);
    std::vector<VaporizerInputs> sets{VaporizerInputs()};
    for (int n = 0; n < 8; ++n)
        sets.push_back(random_vaporizer_inputs(random));
    for (std::size_t n = 0; n < sets.size(); ++n) {
        VaporizerOutputs values;
        const Matrices ad = full_linearisation(sets[n], values);
        const Matrices cs = complex_step(sets[n]);
        EXPECT_LT(worst_error(ad.a, cs.a), 1e-9) << "A, set " << n;
        EXPECT_LT(worst_error(ad.b, cs.b), 1e-9) << "B, set " << n;
        EXPECT_LT(worst_error(ad.c, cs.c), 1e-9) << "C, set " << n;
        EXPECT_LT(worst_error(ad.d, cs.d), 1e-9) << "D, set " << n;
    }
}

// E and F for random selections that reach every property input (more than
// one chunk of directions each, repeats included), and all of A to D and
// the values unchanged beside them.
TEST(VaporizerJacobian, ParameterDerivativesMatchComplexStepsOfAnIndependentModel)
{
    std::mt19937_64 random(20261209);
    for (int n = 0; n < 6; ++n) {
        const VaporizerInputs in = n == 0 ? VaporizerInputs() : random_vaporizer_inputs(random);
        parameter_selection::ParameterSelection selection;
        selection.count = 19;
        for (std::size_t j = 0; j < selection.count; ++j) {
            const int input = vaporizer_arguments::IN_AREA + static_cast<int>((j + n) % 16);
            const std::size_t size = parameter_selection::read_count(input);
            selection.rows[j] = {input, static_cast<std::size_t>(random() % size)};
        }
        std::vector<double> e(8 * 19), f(10 * 19), e_cs(8 * 19), f_cs(10 * 19);
        VaporizerOutputs values, alone;
        Matrices with = full_linearisation(in, values);
        vaporizer_model::Linearisation wanted;
        wanted.state_matrix = with.a.data();
        wanted.parameter_rate_matrix = e.data();
        wanted.parameter_output_matrix = f.data();
        wanted.derivatives = values.derivatives.data();
        vaporizer_jacobians(wanted, in.state.data(), model_inputs(in), &selection);
        complex_step_by_parameters(in, selection, e_cs, f_cs);
        EXPECT_LT(worst_error(e, e_cs), 1e-9) << "E, set " << n;
        EXPECT_LT(worst_error(f, f_cs), 1e-9) << "F, set " << n;
        const Matrices without = full_linearisation(in, alone);
        EXPECT_TRUE(same_bits(with.a, without.a)) << "set " << n;
        EXPECT_TRUE(same_bits(values.derivatives, alone.derivatives)) << "set " << n;
    }
}

// The values come from the same evaluation as the derivatives: they must
// be vaporizer_derivatives' own bits, also where the library's square of the
// temperature and T*T differ (the split temperature of the kernel tests).
TEST(VaporizerJacobian, ValuesAreThoseOfVaporizerDerivativesBitForBit)
{
    std::mt19937_64 random(20261213);
    std::vector<VaporizerInputs> sets;
    for (int n = 0; n < 200; ++n)
        sets.push_back(random_vaporizer_inputs(random));
    VaporizerInputs split;
    split.state[7] = split.feed1_temp = split.feed2_temp = 171.75096981575376;
    split.feed1_flow = split.vapour_flow = split.heat_input = 0.0;
    split.cp_liquid_a.assign(7, 0.0);
    split.cp_liquid_b.assign(7, 2.0);
    sets.push_back(split);
    for (std::size_t n = 0; n < sets.size(); ++n) {
        VaporizerOutputs values;
        full_linearisation(sets[n], values);
        ASSERT_EQ(bit_difference(values, run_vaporizer(vaporizer_derivatives, sets[n])), "")
            << "set " << n;
    }
}

TEST(VaporizerJacobian, CheaperEntryPointsGiveTheFullRoutinesBits)
{
    std::mt19937_64 random(20261214);
    for (int n = 0; n < 20; ++n) {
        const VaporizerInputs in = random_vaporizer_inputs(random);
        VaporizerOutputs values;
        const Matrices full = full_linearisation(in, values);

        Matrices part;
        std::vector<double> rates(8);
        call(vaporizer_state_jacobian, in, part.a.data(), rates.data());
        EXPECT_TRUE(same_bits(part.a, full.a)) << "A alone, set " << n;
        EXPECT_TRUE(same_bits(rates, values.derivatives)) << "A alone, set " << n;

        part = Matrices();
        call(vaporizer_state_input_jacobians, in, part.a.data(), part.b.data(), nullptr);
        EXPECT_TRUE(same_bits(part.a, full.a)) << "A with B, set " << n;
        EXPECT_TRUE(same_bits(part.b, full.b)) << "A with B, set " << n;

        // Without B and D the full routine differentiates by the state alone.
        part = Matrices();
        vaporizer_model::Linearisation c_alone, d_alone;
        c_alone.output_matrix = part.c.data();
        d_alone.feedthrough_matrix = part.d.data();
        vaporizer_jacobians(c_alone, in.state.data(), model_inputs(in));
        EXPECT_TRUE(same_bits(part.c, full.c)) << "C alone, set " << n;
        vaporizer_jacobians(d_alone, in.state.data(), model_inputs(in));
        EXPECT_TRUE(same_bits(part.d, full.d)) << "D alone, set " << n;
    }
}

}  // namespace
