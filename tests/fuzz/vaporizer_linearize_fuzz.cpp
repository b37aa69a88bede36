// Fuzz target for vaporizer_linearize (25 inputs, up to 4 outputs, or 26
// with a parameter selection, up to 6): a call that returns must have had
// those counts, and its outputs are real doubles of 8x8, 8x20, 10x8 and
// 10x20 and 8xP and 10xP for P selected parameters, C's first row picking
// out the level, whatever the model's values (which may be NaN at a
// degenerate state).
#include <vector>

#include "gateway_fuzzer.h"
#include "linearize_interface.h"

namespace {

using namespace fuzzing;

const char *check_vaporizer_linearize(const Inputs &inputs, int nlhs, const Outputs &outputs)
{
    using namespace linearize_interface;
    if (inputs.size() < IN_PARAMETERS || inputs.size() > MAX_INPUT_COUNT ||
        nlhs > (inputs.size() == MAX_INPUT_COUNT ? OUTPUT_COUNT : OUT_E))
        return "returned for a wrong number of inputs or outputs";
    if (const char *fault = shaped_as_table(linearize_interface::outputs, inputs, nlhs, outputs))
        return fault;
    if (nlhs > 2) {
        const std::vector<double> c = in_process_host::values(outputs[2].get());
        for (std::size_t j = 0; j < 8; ++j)
            if (c[10 * j] != (j == 6 ? 1.0 : 0.0))
                return "row 1 of C is not the level's";
    }
    return nullptr;
}

}  // namespace

const FuzzedGateway fuzzed_gateway{"vaporizer_linearize", 25, linearize_interface::OUTPUT_COUNT,
                                   check_vaporizer_linearize};
