// transmission_update against the floor of its work: for a long line the
// step is one shift of L - 1 cells, so the floor is memcpy of those bytes
// between two buffers of the same size. Three lag stages are updated too,
// as a transmitter model would.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "transmission_update.h"

namespace {

constexpr std::int32_t stages = 3;

void transmission_update_step(benchmark::State &state)
{
    const auto cells = static_cast<std::int32_t>(state.range(0));
    std::vector<double> line(cells, 0.25), new_line(cells, 0.0);
    std::vector<double> lags(stages, 0.5), new_lags(stages, 0.0);
    double value = 7.0;
    for (auto _ : state) {
        transmission_update(new_line.data(), new_lags.data(), value, line.data(), lags.data(),
                            0.1, 0.3, cells, stages, 0.01, 4.0, 20.0);
        benchmark::DoNotOptimize(new_line.data());
        benchmark::DoNotOptimize(new_lags.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (cells - 1) * std::int64_t{sizeof(double)});
}

void memcpy_of_the_shift(benchmark::State &state)
{
    const auto cells = static_cast<std::int32_t>(state.range(0));
    std::vector<double> line(cells, 0.25), new_line(cells, 0.0);
    const std::size_t bytes = static_cast<std::size_t>(cells - 1) * sizeof(double);
    for (auto _ : state) {
        std::memcpy(new_line.data() + 1, line.data(), bytes);
        benchmark::DoNotOptimize(new_line.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

}  // namespace

BENCHMARK(transmission_update_step)->Arg(10)->Arg(1000)->Arg(1000000);
BENCHMARK(memcpy_of_the_shift)->Arg(10)->Arg(1000)->Arg(1000000);
