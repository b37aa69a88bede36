// The optimiser must not change a bit: the routines built at -O0 and at the
// project's -O2 give identical results over many input sets.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "balance_equations.h"
#include "vaporizer_inputs.h"

// The unoptimised copy of the same sources, compiled into its own namespace.
namespace vaporizer_model_unoptimised {
extern decltype(vaporizer_model::vaporizer_derivatives) vaporizer_derivatives;
}

namespace {

void expect_identical(const VaporizerOutputs &a, const VaporizerOutputs &b)
{
    EXPECT_EQ(std::memcmp(a.derivatives.data(), b.derivatives.data(), 8 * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(a.vapour_comp.data(), b.vapour_comp.data(), 7 * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(&a.pressure, &b.pressure, sizeof(double)), 0);
    EXPECT_EQ(a.level, b.level);
    EXPECT_EQ(a.temperature, b.temperature);
}

TEST(VaporizerOptimisation, O0AndO2BuildsAgreeBitForBit)
{
    std::mt19937_64 generator(20261208);
    std::uniform_real_distribution<double> fraction(0.0, 0.25), scale(0.5, 1.5);
    for (int trial = 0; trial < 500; ++trial) {
        VaporizerInputs in;
        for (int k = 0; k < 6; ++k)
            in.state[k] = fraction(generator);
        in.state[6] *= scale(generator);
        in.state[7] = 20.0 + 150.0 * fraction(generator) * 4.0;
        in.feed1_temp *= scale(generator);
        in.feed2_temp *= scale(generator);
        in.vapour_flow *= scale(generator);
        in.heat_input *= scale(generator);
        for (double &e : in.wilson_energy)
            e *= scale(generator);
        expect_identical(run_vaporizer(vaporizer_model::vaporizer_derivatives, in),
                         run_vaporizer(vaporizer_model_unoptimised::vaporizer_derivatives, in));
    }
}

}  // namespace
