// Fuzz target for vaporizer_step (26 inputs, or 27 with options, up to 8
// outputs; or 28 with a parameter selection, up to 9): a call that returns
// must have had those counts, its state keeps
// the shape of input 1 with every element past the 8th copied bit for bit
// (all of them for an interval of 0), the outputs that follow are shaped
// as vaporizer's, with the level and the temperature those of the end state,
// and the sensitivities are 8-by-8, 8-by-20 and 8-by-P.
#include <cstring>
#include <vector>

#include "gateway_fuzzer.h"
#include "step_interface.h"

namespace {

using namespace fuzzing;

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

constexpr const module_interface::Output *outputs_table = step_interface::outputs;

const char *check_vaporizer_step(const Inputs &inputs, int nlhs, const Outputs &outputs)
{
    using namespace step_interface;
    if (inputs.size() < IN_OPTIONS || inputs.size() > MAX_INPUT_COUNT ||
        nlhs > (inputs.size() == MAX_INPUT_COUNT ? OUTPUT_COUNT : OUT_PARAMETER_SENSITIVITY))
        return "returned for a wrong number of inputs or outputs";
    const mxArray *state = inputs[0];
    if (!mxIsDouble(state) || mxIsSparse(state) || mxGetNumberOfElements(state) < 8)
        return "returned for a state that is not 8 dense doubles or more";
    if (const char *fault = shaped_as_table(outputs_table, inputs, nlhs, outputs))
        return fault;
    const std::vector<double> before = in_process_host::values(state);
    const std::vector<double> after = in_process_host::values(outputs[0].get());
    const std::size_t kept = scalar_value(inputs[25]) == 0.0 ? 0 : 8;
    for (std::size_t k = kept; k < before.size(); ++k)
        if (!same_bits(before[k], after[k]))
            return "output 1 changed an element it must copy";
    if (nlhs < 2)
        return nullptr;
    if (!same_bits(in_process_host::values(outputs[1].get())[0], after[6]))
        return "output 2 is not element 7 of the end state";
    if (nlhs > 2 && !zero_from(outputs[2].get(), 7))
        return "output 3 is not zero beyond element 7";
    if (nlhs > 3 && !same_bits(in_process_host::values(outputs[3].get())[0], after[7]))
        return "output 4 is not element 8 of the end state";
    if (nlhs > 5)
        for (const step_interface::StatisticField &field : statistics)
            if (mxGetField(outputs[5].get(), 0, field.name) == nullptr)
                return "output 6 lacks a statistic of the table";
    return nullptr;
}

}  // namespace

const FuzzedGateway fuzzed_gateway{"vaporizer_step", step_interface::IN_OPTIONS,
                                   step_interface::OUTPUT_COUNT, check_vaporizer_step};
