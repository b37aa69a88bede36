// The counting pass of murtal, timed through the in-process host, for 1e3 to
// 1e7 stored entries: a sparse column of twice as many rows as stored
// entries, every row labelled with one of 100 clusters.
//
// ns_per_entry is the whole gateway call divided by the stored entries. The
// empty column gives the fixed cost of a call. Two floors show what memory
// alone costs: the label gather reads every row index and the label it
// points at and counts nothing; the sequential read streams the same bytes
// (all row indices, all labels) in order, as fast as this machine reads.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <random>
#include <utility>
#include <vector>

#include "in_process_host.h"

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);

namespace {

using namespace in_process_host;

constexpr double cluster_count = 100.0;

struct CountingProblem {
    ArrayPtr column;
    ArrayPtr clusters;
    ArrayPtr labels;
    std::vector<mwIndex> stored_rows;
};

// What the counting pass reads: the column's row indices and the labels.
std::pair<const mwIndex *, const double *> gathered_arrays(const CountingProblem &problem)
{
    return {mxGetIr(problem.column.get()), mxGetPr(problem.labels.get())};
}

// stored entries in rows chosen at random among 2 * stored rows, ascending.
CountingProblem make_problem(std::size_t stored)
{
    std::mt19937_64 generator(20261208);
    const std::size_t rows = 2 * stored;
    CountingProblem problem;
    problem.stored_rows.reserve(stored);
    std::size_t still_needed = stored;
    for (std::size_t row = 0; row < rows && still_needed > 0; ++row) {
        // Selection sampling: each remaining row is taken with the chance that
        // leaves exactly `stored` rows chosen, uniformly over all subsets.
        std::uniform_int_distribution<std::size_t> pick(0, rows - row - 1);
        if (pick(generator) < still_needed) {
            problem.stored_rows.push_back(row);
            --still_needed;
        }
    }
    std::uniform_int_distribution<int> label(1, static_cast<int>(cluster_count));
    std::vector<double> label_values(rows);
    for (double &value : label_values)
        value = label(generator);

    problem.column = make_sparse(rows, 1, problem.stored_rows, {0, stored});
    problem.clusters = make_scalar(cluster_count);
    problem.labels = make_column(label_values);
    return problem;
}

void report_per_entry(benchmark::State &state, std::size_t stored)
{
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * stored));
    // Inverted rate: seconds of the whole run per (entry * 1e-9), i.e. ns per entry.
    state.counters["ns_per_entry"] = benchmark::Counter(
        static_cast<double>(stored) * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void murtal_call(benchmark::State &state)
{
    const std::size_t stored = static_cast<std::size_t>(state.range(0));
    CountingProblem problem = make_problem(stored);
    const std::vector<const mxArray *> inputs{problem.column.get(), problem.clusters.get(),
                                              problem.labels.get()};
    for (auto _ : state) {
        CallResult result = call_gateway(mexFunction, 1, inputs, /*check_inputs=*/false);
        if (!result.ok) {
            state.SkipWithError(result.message.c_str());
            break;
        }
        benchmark::DoNotOptimize(result.outputs[0].get());
    }
    report_per_entry(state, stored);
}
BENCHMARK(murtal_call)->RangeMultiplier(10)->Range(1000, 10000000)->Unit(benchmark::kMicrosecond);

void murtal_call_empty_column(benchmark::State &state)
{
    CountingProblem problem = make_problem(0);
    const std::vector<const mxArray *> inputs{problem.column.get(), problem.clusters.get(),
                                              problem.labels.get()};
    for (auto _ : state) {
        CallResult result = call_gateway(mexFunction, 1, inputs, /*check_inputs=*/false);
        benchmark::DoNotOptimize(result.outputs[0].get());
    }
}
BENCHMARK(murtal_call_empty_column)->Unit(benchmark::kMicrosecond);

// The memory traffic of the counting pass alone: every row index and the
// label it points at are read and folded into a sum, nothing is counted.
void label_gather(benchmark::State &state)
{
    const std::size_t stored = static_cast<std::size_t>(state.range(0));
    const CountingProblem problem = make_problem(stored);
    const auto [rows, labels] = gathered_arrays(problem);
    for (auto _ : state) {
        double sum = 0.0;
        for (std::size_t i = 0; i < stored; ++i)
            sum += labels[rows[i]];
        benchmark::DoNotOptimize(sum);
    }
    report_per_entry(state, stored);
}
BENCHMARK(label_gather)->RangeMultiplier(10)->Range(1000, 10000000)->Unit(benchmark::kMicrosecond);

// Four running sums, so that the adds keep pace with memory.
template <typename Value>
Value sequential_sum(const Value *values, std::size_t count)
{
    Value sums[4] = {};
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4)
        for (int lane = 0; lane < 4; ++lane)
            sums[lane] += values[i + lane];
    for (; i < count; ++i)
        sums[0] += values[i];
    return (sums[0] + sums[1]) + (sums[2] + sums[3]);
}

// Every byte the counting pass must bring in (the row indices and, at one
// stored entry per two rows, every cache line of the labels), read in order.
void sequential_read(benchmark::State &state)
{
    const std::size_t stored = static_cast<std::size_t>(state.range(0));
    const CountingProblem problem = make_problem(stored);
    const auto [rows, labels] = gathered_arrays(problem);
    for (auto _ : state) {
        benchmark::DoNotOptimize(sequential_sum(rows, stored));
        benchmark::DoNotOptimize(sequential_sum(labels, 2 * stored));
    }
    report_per_entry(state, stored);
}
BENCHMARK(sequential_read)->Arg(10000000)->Unit(benchmark::kMicrosecond);

}  // namespace
