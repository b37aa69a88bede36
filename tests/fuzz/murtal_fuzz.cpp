// Fuzz target for murtal(C, K, L): a call that returns must have had three
// inputs, at most one output, a sparse column C, and yields the K-by-1
// counts a plain recount of C's pattern gives.
#include <vector>

#include "gateway_fuzzer.h"

namespace {

using namespace fuzzing;

const char *check_murtal(const Inputs &inputs, int nlhs, const Outputs &outputs)
{
    if (inputs.size() != 3 || nlhs > 1)
        return "returned for a wrong number of inputs or outputs";
    const mxArray *c = inputs[0];
    if (!mxIsSparse(c) || mxGetN(c) != 1)
        return "returned for a C that is not a sparse column";
    const long long k = truncated_or(scalar_value(inputs[1]), -1);
    if (k < 0)
        return "returned for a K that is no cluster count";
    if (!is_real_double(outputs[0].get(), static_cast<std::size_t>(k), 1))
        return "result is not a real K-by-1 double column";

    const mwIndex stored = mxGetJc(c)[1];
    std::vector<double> expected(static_cast<std::size_t>(k), 0.0);
    if (stored > 0) {
        const mxArray *l = inputs[2];
        if (!mxIsDouble(l) || mxIsSparse(l))
            return "counted with labels that are not dense doubles";
        const std::vector<double> labels = in_process_host::values(l);
        const mwIndex *rows = mxGetIr(c);
        for (mwIndex i = 0; i < stored; ++i) {
            if (rows[i] >= labels.size())
                return "counted a row that has no label";
            const long long v = truncated_or(labels[rows[i]], 0);
            if (v < 1 || v > k)
                return "counted an invalid label";
            expected[static_cast<std::size_t>(v - 1)] += 1.0;
        }
    }
    if (in_process_host::values(outputs[0].get()) != expected)
        return "counts differ from a recount of the pattern";
    return nullptr;
}

}  // namespace

const FuzzedGateway fuzzed_gateway{"murtal", 3, 1, check_murtal};
