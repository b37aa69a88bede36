// The optimiser must not change a bit: the routines built at -O0 and at the
// project's -O2 give identical results over many input sets.
#include <gtest/gtest.h>

#include <random>

#include "balance_equations.h"
#include "vaporizer_inputs.h"

// The unoptimised copy of the same sources, compiled into its own namespace.
namespace vaporizer_model_unoptimised {
extern decltype(vaporizer_model::vaporizer_derivatives) vaporizer_derivatives;
}

namespace {

TEST(VaporizerOptimisation, O0AndO2BuildsAgreeBitForBit)
{
    std::mt19937_64 random(20261209);
    for (int trial = 0; trial < 500; ++trial) {
        const VaporizerInputs in = random_vaporizer_inputs(random);
        ASSERT_EQ(bit_difference(run_vaporizer(vaporizer_model::vaporizer_derivatives, in),
                                 run_vaporizer(vaporizer_model_unoptimised::vaporizer_derivatives,
                                               in)),
                  "")
            << "random set " << trial;
    }
}

}  // namespace
