// The fuzz driver shared by every gateway: one decoded call per input, run
// through the in-process host, then the host contract and the gateway's own
// output contract are checked; any violation stops the fuzzer (a trap, so
// libFuzzer keeps the input that caused it).
//
// Each fuzz target links one gateway (its mexFunction) and defines
// fuzzed_gateway, which says what a correct call looks like.
#ifndef MEX_SUITE_TESTS_FUZZ_GATEWAY_FUZZER_H
#define MEX_SUITE_TESTS_FUZZ_GATEWAY_FUZZER_H

#include <cstddef>
#include <vector>

#include "in_process_host.h"
#include "module_interface.h"

namespace fuzzing {

using Inputs = std::vector<const mxArray *>;
using Outputs = std::vector<in_process_host::ArrayPtr>;

struct FuzzedGateway {
    const char *module;  // prefix of the identifiers of the gateway's own errors
    int input_count;     // the counts of a correct call
    int output_count;
    // For a call that returned: the first way its outputs break the
    // gateway's contract, or nullptr when they keep it. Output slots number
    // max(nlhs, 1).
    const char *(*check_outputs)(const Inputs &inputs, int nlhs, const Outputs &outputs);
};

// Helpers for check_outputs.

// A dense, real double array of exactly this shape.
bool is_real_double(const mxArray *array, std::size_t rows, std::size_t columns);
// Whether each output made (max(nlhs, 1) of them) has the shape the
// module's output table gives it; null when all do, else what is wrong.
const char *shaped_as_table(const module_interface::Output *table, const Inputs &inputs, int nlhs,
                            const Outputs &outputs);
// Every element from index `first` on is +0.0.
bool zero_from(const mxArray *array, std::size_t first);
// The value mxGetScalar yields, or NaN where it has none (cell, empty).
double scalar_value(const mxArray *array);
// The count or label a double stands for: truncated toward zero when that
// fits 32 bits; `fallback` when it does not (NaN, infinities, beyond 2^31).
long long truncated_or(double value, long long fallback);

}  // namespace fuzzing

extern const fuzzing::FuzzedGateway fuzzed_gateway;

#endif
