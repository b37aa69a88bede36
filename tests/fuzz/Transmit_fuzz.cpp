// Fuzz target for Transmit (10 inputs, 2 outputs): a call that returns must
// have had exactly those counts; its outputs take the shapes of inputs 2 and
// 3, are zero from the delay length (cell 1 at least) and the stage count on,
// a delay length below 1 only comes without stages, and the newest
// cell holds a fraction clipped to [0, 1] (or NaN).
#include <algorithm>
#include <cmath>
#include <vector>

#include "gateway_fuzzer.h"
#include "transmit_arguments.h"

namespace {

using namespace fuzzing;

const char *check_transmit(const Inputs &inputs, int nlhs, const Outputs &outputs)
{
    if (inputs.size() != 10 || nlhs != 2)
        return "returned for a wrong number of inputs or outputs";
    if (const char *fault = shaped_as_table(transmit_arguments::outputs, inputs, nlhs, outputs))
        return fault;

    const long long delay_length = truncated_or(scalar_value(inputs[5]), 0);
    const long long stage_count = truncated_or(scalar_value(inputs[6]), 0);
    if (delay_length < 1 && stage_count >= 1)
        return "returned for a delay length below 1 with stages to feed";
    if (!zero_from(outputs[0].get(), static_cast<std::size_t>(std::max(delay_length, 1LL))))
        return "output 1 is not zero from the delay length (at least cell 1) on";
    if (!zero_from(outputs[1].get(), static_cast<std::size_t>(std::max(stage_count, 0LL))))
        return "output 2 is not zero from the stage count on";

    const std::vector<double> line = in_process_host::values(outputs[0].get());
    if (line.empty())
        return "returned for an empty delay line";
    if (!(std::isnan(line[0]) || (line[0] >= 0.0 && line[0] <= 1.0)))
        return "the newest cell is not clipped to [0, 1]";
    return nullptr;
}

}  // namespace

const FuzzedGateway fuzzed_gateway{"Transmit", 10, 2, check_transmit};
