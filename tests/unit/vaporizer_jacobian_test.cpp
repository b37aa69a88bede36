// The model's Jacobians against complex-step derivatives of the tests' own
// writing of the model (vaporizer_reference.h), and the cheaper entry points
// and the values against the full routine and vaporizer_derivatives, bit
// for bit.
#include <gtest/gtest.h>

#include <algorithm>
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
