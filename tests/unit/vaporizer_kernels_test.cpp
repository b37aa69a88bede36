// The vaporizer's routines called directly: limits of the property
// correlations, properties of the balance equations, and one exact-bit
// regression against the plain evaluation of the shared reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "balance_equations.h"
#include "property_correlations.h"
#include "vaporizer_inputs.h"
#include "vaporizer_reference.h"

namespace {

using namespace vaporizer_model;

// pow with an exponent the compiler cannot see, so it is not turned into
// T*T: the routines must carry the bits of this platform's own pow, however
// its library rounds a square.
const volatile double two = 2.0;
double library_square(double t) { return std::pow(t, two); }

// A temperature at which this machine's pow(T, 2) and T*T differ in the last
// bit, so that here the square's origin shows in the results. A library that
// rounds every square correctly has no such temperature; there the cases
// below still hold, they just cannot tell the two apart.
const double split_temperature = 171.75096981575376;

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct Enthalpies {
    double liquid = 0.0;
    double vapour = 0.0;
};

Enthalpies enthalpies(const std::vector<double> &liquid_weights,
                      const std::vector<double> &vapour_weights, double t,
                      const VaporizerInputs &in = VaporizerInputs())
{
    Enthalpies h;
    mixture_enthalpies(&h.liquid, &h.vapour, liquid_weights.data(), vapour_weights.data(), &t,
                       in.molar_mass.data(), in.enthalpy_offset.data(), in.cp_liquid_a.data(),
                       in.cp_liquid_b.data(), in.cp_vapour_a.data(), in.cp_vapour_b.data());
    return h;
}

std::vector<double> activity(const std::vector<double> &x, const std::vector<double> &volume,
                             const std::vector<double> &energy, double t = 60.0)
{
    std::vector<double> gamma(7, -1.0);
    wilson_activity(gamma.data(), t, x.data(), volume.data(), energy.data(), 8.314, 273.15);
    return gamma;
}

TEST(MixtureEnthalpies, ZeroTemperatureLeavesOnlyTheVapourOffsets)
{
    VaporizerInputs in;
    Enthalpies h = enthalpies(in.feed1_comp, in.feed2_comp, 0.0);
    EXPECT_EQ(h.liquid, 0.0);
    double offsets = 0.0;
    for (int k = 0; k < 7; ++k)
        offsets = offsets + in.feed2_comp[k] * in.enthalpy_offset[k];
    EXPECT_EQ(h.vapour, offsets);
}

TEST(MixtureEnthalpies, EachBasisUsesOnlyItsOwnWeights)
{
    VaporizerInputs in;
    std::vector<double> zero(7, 0.0), unit(7, 0.0);
    unit[4] = 1.0;
    const double t = -35.0;  // below zero the square keeps both results finite
    Enthalpies liquid_only = enthalpies(unit, zero, t);
    Enthalpies vapour_only = enthalpies(zero, unit, t);
    const double t_squared = library_square(t);
    EXPECT_EQ(liquid_only.liquid,
              (in.cp_liquid_a[4] * t + (0.5 * in.cp_liquid_b[4]) * t_squared) * in.molar_mass[4]);
    EXPECT_EQ(liquid_only.vapour, 0.0);
    EXPECT_EQ(vapour_only.liquid, 0.0);
    EXPECT_EQ(vapour_only.vapour,
              (in.cp_vapour_a[4] * t + (0.5 * in.cp_vapour_b[4]) * t_squared) * in.molar_mass[4] +
                  in.enthalpy_offset[4]);
}

TEST(MixtureEnthalpies, SquaresTheTemperatureWithThePlatformsPow)
{
    // a = 0, b = 2, M = 1 make the liquid-basis result the square itself.
    VaporizerInputs in;
    in.cp_liquid_a.assign(7, 0.0);
    in.cp_liquid_b.assign(7, 2.0);
    in.molar_mass.assign(7, 1.0);
    std::vector<double> unit(7, 0.0);
    unit[6] = 1.0;
    std::mt19937_64 random(20261208);
    std::vector<double> temperatures{split_temperature, -35.0};
    for (int n = 0; n < 200; ++n)
        temperatures.push_back(uniform(random, -60.0, 300.0));
    for (double t : temperatures)
        EXPECT_TRUE(same_bits(enthalpies(unit, unit, t, in).liquid, library_square(t))) << t;
    RecordProperty("pow_differs_from_product_at_the_pinned_temperature",
                   library_square(split_temperature) == split_temperature * split_temperature
                       ? "no"
                       : "yes");
}

TEST(MixtureEnthalpies, TemperatureDerivativeIsTheMixtureHeatCapacity)
{
    VaporizerInputs in;
    const std::vector<double> &w = in.feed2_comp;
    for (double t : {-20.0, 25.0, 140.0}) {
        const double step = 1e-3;
        const double slope =
            (enthalpies(w, w, t + step).liquid - enthalpies(w, w, t - step).liquid) / (2 * step);
        double heat_capacity = 0.0;
        for (int k = 0; k < 7; ++k)
            heat_capacity += w[k] * in.molar_mass[k] * (in.cp_liquid_a[k] + in.cp_liquid_b[k] * t);
        EXPECT_NEAR(slope, heat_capacity, 1e-6 * heat_capacity) << "T = " << t;
    }
}

TEST(WilsonActivity, IdealSolutionGivesTheReciprocalOfTheMoleFractionSum)
{
    std::vector<double> ones(49, 1.0), zeros(49, 0.0);
    const std::vector<double> x{0.1, 0.2, 0.05, 0.15, 0.1, 0.1, 0.1};  // sums to 0.8
    for (double gamma : activity(x, ones, zeros))
        EXPECT_NEAR(gamma, 1.0 / 0.8, 4 * std::numeric_limits<double>::epsilon());
    for (double gamma : activity(VaporizerInputs().feed1_comp, ones, zeros))
        EXPECT_NEAR(gamma, 1.0, 4 * std::numeric_limits<double>::epsilon());
}

// A pure component m: exactly 1 for itself, the infinite-dilution value for
// the others. Asymmetric matrices make Lambda[i][m] come from flat element
// i*7 + m and Lambda[m][i] from m*7 + i, which pins the orientation.
TEST(WilsonActivity, PureComponentGivesOneAndInfiniteDilutionValues)
{
    VaporizerInputs in;
    const std::vector<double> &v = in.wilson_volume;
    const std::vector<double> &e = in.wilson_energy;
    const double t = 60.0;
    const double rt = 8.314 * (t + 273.15);
    auto lambda = [&](int i, int j) { return v[i * 7 + j] * std::exp(-e[i * 7 + j] / rt); };
    for (int m : {0, 3, 6}) {
        std::vector<double> x(7, 0.0);
        x[m] = 1.0;
        std::vector<double> gamma = activity(x, v, e, t);
        for (int i = 0; i < 7; ++i) {
            const double expected =
                i == m ? 1.0 : std::exp((1.0 - std::log(lambda(i, m))) - lambda(m, i));
            EXPECT_EQ(gamma[i], expected) << "component " << i << ", pure " << m;
        }
    }
    // The transposed reading gives a different gamma[1] for pure component 0.
    std::vector<double> x0(7, 0.0);
    x0[0] = 1.0;
    EXPECT_NE(activity(x0, v, e, t)[1],
              std::exp((1.0 - std::log(lambda(0, 1))) - lambda(1, 0)));
}

TEST(WilsonActivity, DegenerateInputsGiveNaNsAndInfinitiesWithoutError)
{
    VaporizerInputs in;
    for (double gamma : activity(std::vector<double>(7, 0.0), in.wilson_volume, in.wilson_energy))
        EXPECT_TRUE(std::isnan(gamma));
    // T = -T0: Lambda is 0, infinite or NaN depending on the sign of E.
    for (double gamma : activity(in.feed1_comp, in.wilson_volume, in.wilson_energy, -273.15))
        EXPECT_FALSE(std::isfinite(gamma) && gamma != 0.0);
}

// Random sets in which every input moves. A sum or a quotient evaluated in
// another grouping changes the last bits of only a share of them, down to
// about one set in seven for the terms that matter least, so the first set
// that shows it can be the fiftieth; a thousand leave a wide margin and cost
// a few milliseconds.
constexpr int random_set_count = 1000;

TEST(VaporizerDerivatives, MatchesThePlainEvaluationBitForBit)
{
    std::mt19937_64 random(20261208);
    for (int n = 0; n < random_set_count; ++n) {
        const VaporizerInputs in = random_vaporizer_inputs(random);
        ASSERT_EQ(bit_difference(run_vaporizer(vaporizer_derivatives, in),
                                 vaporizer_reference(in, library_square)),
                  "")
            << "random set " << n;
    }
    // At the split temperature the library's pow and T*T give different last
    // bits here. They reach the temperature derivative when a liquid feed at
    // the holdup's temperature is all that flows: the small difference
    // H2 - hL then shows the last bit of hL.
    VaporizerInputs in;
    in.state[7] = in.feed1_temp = in.feed2_temp = split_temperature;
    in.feed1_flow = in.vapour_flow = in.heat_input = 0.0;
    in.cp_liquid_a.assign(7, 0.0);
    in.cp_liquid_b.assign(7, 2.0);
    EXPECT_EQ(bit_difference(run_vaporizer(vaporizer_derivatives, in),
                             vaporizer_reference(in, library_square)),
              "");
}

TEST(VaporizerDerivatives, NoFlowsAndNoHeatGiveZeroDerivatives)
{
    VaporizerInputs in;
    in.feed1_flow = in.feed2_flow = in.vapour_flow = in.heat_input = 0.0;
    VaporizerOutputs out = run_vaporizer(vaporizer_derivatives, in);
    EXPECT_EQ(out.derivatives, std::vector<double>(8, 0.0));
    EXPECT_GT(out.pressure, 0.0);
}

TEST(VaporizerDerivatives, FeedsOfTheLiquidsCompositionOnlyRaiseTheLevel)
{
    VaporizerInputs in;
    in.vapour_flow = 0.0;
    const std::vector<double> &s = in.state;
    const std::vector<double> x{s[0], s[1], s[2], 1.0 - (s[0] + s[1] + s[2] + s[3] + s[4] + s[5]),
                                s[3], s[4], s[5]};
    in.feed1_comp = in.feed2_comp = x;
    VaporizerOutputs out = run_vaporizer(vaporizer_derivatives, in);
    for (int k = 0; k < 6; ++k)
        EXPECT_NEAR(out.derivatives[k], 0.0, 1e-15);
    double v = 0.0;
    for (int k = 0; k < 7; ++k)
        v += x[k] * in.molar_mass[k] / in.density[k];
    EXPECT_EQ(out.derivatives[6], (in.feed1_flow + in.feed2_flow) / (1.0 / v) / in.area);
}

TEST(VaporizerDerivatives, PureDependentComponentAndLevelZero)
{
    VaporizerInputs in;
    std::fill(in.state.begin(), in.state.begin() + 6, 0.0);
    VaporizerOutputs pure = run_vaporizer(vaporizer_derivatives, in);
    const double t = in.state[7];
    EXPECT_EQ(pure.pressure, std::exp(in.antoine_a[3] + in.antoine_b[3] / (t + in.antoine_c[3])));
    EXPECT_EQ(pure.vapour_comp, (std::vector<double>{0, 0, 0, 1, 0, 0, 0}));

    in = VaporizerInputs();
    in.state[6] = 0.0;
    VaporizerOutputs empty = run_vaporizer(vaporizer_derivatives, in);
    for (int k : {0, 1, 2, 3, 4, 5, 7})
        EXPECT_FALSE(std::isfinite(empty.derivatives[k])) << "derivative " << k;
    EXPECT_TRUE(std::isfinite(empty.derivatives[6]));
    EXPECT_EQ(empty.level, 0.0);
}

TEST(VaporizerDerivatives, ReadsAndWritesOnlyTheFirstEightStateValues)
{
    VaporizerInputs in;
    VaporizerOutputs plain = run_vaporizer(vaporizer_derivatives, in);
    in.state.insert(in.state.end(), {0.9, -4.0, std::nan("")});
    std::vector<double> derivatives(11, 7.0), vapour(9, 7.0);
    double level = 0, temperature = 0, pressure = 0;
    vaporizer_derivatives(derivatives.data(), &level, vapour.data(), &temperature, &pressure,
                          in.state.data(), in.vapour_flow, in.heat_input, in.feed1_flow,
                          in.feed1_comp.data(), in.feed1_temp, in.feed2_flow,
                          in.feed2_comp.data(), in.feed2_temp, in.area, in.wilson_volume.data(),
                          in.wilson_energy.data(), in.molar_mass.data(), in.density.data(),
                          in.enthalpy_offset.data(), in.cp_liquid_a.data(), in.cp_liquid_b.data(),
                          in.cp_vapour_a.data(), in.cp_vapour_b.data(), in.antoine_a.data(),
                          in.antoine_b.data(), in.antoine_c.data(), in.gas_constant,
                          in.density_factor, in.temperature_offset);
    EXPECT_EQ(std::vector<double>(derivatives.begin(), derivatives.begin() + 8), plain.derivatives);
    EXPECT_EQ(std::vector<double>(derivatives.begin() + 8, derivatives.end()),
              std::vector<double>(3, 7.0));
    EXPECT_EQ(std::vector<double>(vapour.begin(), vapour.begin() + 7), plain.vapour_comp);
    EXPECT_EQ(vapour[7], 7.0);
    EXPECT_EQ(pressure, plain.pressure);
}

}  // namespace
