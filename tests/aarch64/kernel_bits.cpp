// Prints the bits of every output of the computational routines over the
// same seeded random inputs, one line per call, so that two builds of the
// routines (x86-64 and aarch64) can be compared byte for byte. Each build
// passing its own exact-bit tests does not show that the two agree: a
// multiply-add fused on one machine only would change last bits on both
// sides of such a comparison, not inside either.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "balance_equations.h"
#include "transmission_update.h"
#include "vaporizer_inputs.h"

namespace {

void print_bits(const double *values, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t b;
        std::memcpy(&b, &values[i], sizeof b);
        std::printf(" %016" PRIx64, b);
    }
}

void vaporizer_sets(int count)
{
    std::mt19937_64 random(20261210);
    for (int n = 0; n < count; ++n) {
        const VaporizerOutputs out =
            run_vaporizer(vaporizer_model::vaporizer_derivatives, random_vaporizer_inputs(random));
        std::printf("vaporizer %d", n);
        print_bits(out.derivatives.data(), out.derivatives.size());
        print_bits(&out.level, 1);
        print_bits(out.vapour_comp.data(), out.vapour_comp.size());
        print_bits(&out.temperature, 1);
        print_bits(&out.pressure, 1);
        std::printf("\n");
    }
}

// A chain of calls, each on the previous call's line and lags, so that a
// difference in one call's last bit is carried into the following ones.
void transmission_calls(int count)
{
    std::mt19937_64 random(20261211);
    std::vector<double> line(9, 0.0), lags(5, 0.0);
    for (int n = 0; n < count; ++n) {
        const double new_value = uniform(random, -3.0, 27.0);
        const double range_low = uniform(random, 1.0, 2.0);
        const double range_high = uniform(random, 17.0, 22.0);
        const double delay_time = uniform(random, 0.0, 1.0) < 0.9 ? 0.1 : 5.0e-5;
        const double time_constant =
            uniform(random, 0.0, 1.0) < 0.95 ? uniform(random, 0.01, 3.0) : 1.0e-5;
        const double time_step = uniform(random, 0.001, 0.3);
        const auto delay_length = static_cast<std::int32_t>(1 + (n / 200) % 9);
        const auto stage_count = static_cast<std::int32_t>((n / 300) % 6);
        std::vector<double> new_line(line.size(), 0.0), new_lags(lags.size(), 0.0);
        transmission_update(new_line.data(), new_lags.data(), new_value, line.data(), lags.data(),
                            delay_time, time_constant, delay_length, stage_count, time_step,
                            range_low, range_high);
        line = new_line;
        lags = new_lags;
        std::printf("transmission %d", n);
        print_bits(line.data(), line.size());
        print_bits(lags.data(), lags.size());
        std::printf("\n");
    }
}

}  // namespace

int main()
{
    vaporizer_sets(3000);
    transmission_calls(3000);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
