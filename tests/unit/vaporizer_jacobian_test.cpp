// The model's Jacobians against complex-step derivatives of a second,
// independent writing of the model, and the cheaper entry points and the
// values against the full routine and vaporizer_derivatives, bit for bit.
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

// The model straight from its equations, with the state s (8) and the
// inputs u (20, in the order of B's columns) complex, writing the state
// derivatives (8) and the outputs (10).
void complex_model(Complex *rates, Complex *outputs, const Complex *s, const Complex *u,
                   const VaporizerInputs &p)
{
    const Complex x[7] = {s[0], s[1], s[2], 1.0 - (s[0] + s[1] + s[2] + s[3] + s[4] + s[5]),
                          s[3], s[4], s[5]};
    const Complex level = s[6], t = s[7];
    const Complex vapour = u[0], heat = u[1], f1 = u[2], t1 = u[10], f2 = u[11], t2 = u[19];
    const Complex *z1 = u + 3, *z2 = u + 12;

    auto h_liquid = [&](const Complex *w, Complex temp) {
        Complex h = 0.0;
        for (int k = 0; k < 7; ++k)
            h += w[k] * p.molar_mass[k] * (p.cp_liquid_a[k] * temp + 0.5 * p.cp_liquid_b[k] * temp * temp);
        return h;
    };
    auto h_vapour = [&](const Complex *w, Complex temp) {
        Complex h = 0.0;
        for (int k = 0; k < 7; ++k)
            h += w[k] * (p.molar_mass[k] * (p.cp_vapour_a[k] * temp +
                                            0.5 * p.cp_vapour_b[k] * temp * temp) +
                         p.enthalpy_offset[k]);
        return h;
    };

    Complex v = 0.0;
    for (int k = 0; k < 7; ++k)
        v += x[k] * p.molar_mass[k] / p.density[k];
    const Complex c = p.density_factor / v, holdup = level * p.area;

    Complex lambda[7][7], big_s[7], gamma[7];
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 7; ++j)
            lambda[i][j] = p.wilson_volume[i * 7 + j] *
                           std::exp(-p.wilson_energy[i * 7 + j] /
                                    (p.gas_constant * (t + p.temperature_offset)));
    for (int i = 0; i < 7; ++i) {
        big_s[i] = 0.0;
        for (int j = 0; j < 7; ++j)
            big_s[i] += lambda[i][j] * x[j];
    }
    for (int i = 0; i < 7; ++i) {
        Complex log_gamma = 1.0 - std::log(big_s[i]);
        for (int k = 0; k < 7; ++k)
            log_gamma -= lambda[k][i] * x[k] / big_s[k];
        gamma[i] = std::exp(log_gamma);
    }
    Complex pressure = 0.0, partial[7], y[7];
    for (int k = 0; k < 7; ++k) {
        partial[k] = x[k] * std::exp(p.antoine_a[k] + p.antoine_b[k] / (t + p.antoine_c[k])) *
                     gamma[k];
        pressure += partial[k];
    }
    for (int k = 0; k < 7; ++k)
        y[k] = partial[k] / pressure;

    const Complex hl = h_liquid(x, t);
    Complex cp = 0.0;
    for (int k = 0; k < 7; ++k)
        cp += x[k] * p.molar_mass[k] * (p.cp_liquid_a[k] + p.cp_liquid_b[k] * t);
    const Complex net = f1 + f2 - vapour;
    Complex dx[7];
    for (int k = 0; k < 7; ++k)
        dx[k] = (f1 * z1[k] + f2 * z2[k] - vapour * y[k] - x[k] * net) / c / holdup;
    const int independent[6] = {0, 1, 2, 4, 5, 6};
    for (int i = 0; i < 6; ++i)
        rates[i] = dx[independent[i]];
    rates[6] = net / c / p.area;
    rates[7] = (f1 * (h_vapour(z1, t1) - hl) + f2 * (h_liquid(z2, t2) - hl) -
                vapour * (h_vapour(y, t) - hl) + heat) /
               (c * holdup) / cp;
    outputs[0] = level;
    std::copy(y, y + 7, outputs + 1);
    outputs[8] = t;
    outputs[9] = pressure;
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
    const std::vector<double> inputs = {
        in.vapour_flow, in.heat_input, in.feed1_flow, in.feed1_comp[0], in.feed1_comp[1],
        in.feed1_comp[2], in.feed1_comp[3], in.feed1_comp[4], in.feed1_comp[5],
        in.feed1_comp[6], in.feed1_temp, in.feed2_flow, in.feed2_comp[0], in.feed2_comp[1],
        in.feed2_comp[2], in.feed2_comp[3], in.feed2_comp[4], in.feed2_comp[5],
        in.feed2_comp[6], in.feed2_temp};
    std::copy(inputs.begin(), inputs.end(), u);
    Matrices l;
    for (int j = 0; j < 28; ++j) {
        Complex &moved = j < 8 ? s[j] : u[j - 8];
        moved += Complex(0.0, h);
        Complex rates[8], outputs[10];
        complex_model(rates, outputs, s, u, in);
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
