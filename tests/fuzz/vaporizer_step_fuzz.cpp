// Fuzz target for vaporizer_step (26 inputs, or 27 with options; up to 8
// outputs): a call that returns must have had those counts, its state keeps
// the shape of input 1 with every element past the 8th copied bit for bit
// (all of them for an interval of 0), the outputs that follow are shaped
// as vaporizer's, with the level and the temperature those of the end state,
// and the sensitivities are 8-by-8 and 8-by-20.
#include <cstring>
#include <vector>

#include "gateway_fuzzer.h"

namespace {

using namespace fuzzing;

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

const char *check_vaporizer_step(const Inputs &inputs, int nlhs, const Outputs &outputs)
{
    if ((inputs.size() != 26 && inputs.size() != 27) || nlhs > 8)
        return "returned for a wrong number of inputs or outputs";
    const mxArray *state = inputs[0];
    if (!mxIsDouble(state) || mxIsSparse(state) || mxGetNumberOfElements(state) < 8)
        return "returned for a state that is not 8 dense doubles or more";
    if (!is_real_double(outputs[0].get(), mxGetM(state), mxGetN(state)))
        return "output 1 is not shaped like input 1";
    const std::vector<double> before = in_process_host::values(state);
    const std::vector<double> after = in_process_host::values(outputs[0].get());
    const std::size_t kept = scalar_value(inputs[25]) == 0.0 ? 0 : 8;
    for (std::size_t k = kept; k < before.size(); ++k)
        if (!same_bits(before[k], after[k]))
            return "output 1 changed an element it must copy";
    if (nlhs < 2)
        return nullptr;
    const mxArray *feed1_comp = inputs[4];
    for (int k = 1; k < nlhs && k < 5; ++k)
        if (k != 2 && !is_real_double(outputs[k].get(), 1, 1))
            return "outputs 2, 4 and 5 are not real scalars";
    if (!same_bits(in_process_host::values(outputs[1].get())[0], after[6]))
        return "output 2 is not element 7 of the end state";
    if (nlhs > 2 && (!is_real_double(outputs[2].get(), mxGetM(feed1_comp), mxGetN(feed1_comp)) ||
                     !zero_from(outputs[2].get(), 7)))
        return "output 3 is not shaped like input 5, or not zero beyond element 7";
    if (nlhs > 3 && !same_bits(in_process_host::values(outputs[3].get())[0], after[7]))
        return "output 4 is not element 8 of the end state";
    if (nlhs > 5 && (outputs[5] == nullptr || !mxIsStruct(outputs[5].get())))
        return "output 6 is not the statistics struct";
    if (nlhs > 6 && !is_real_double(outputs[6].get(), 8, 8))
        return "output 7 is not 8-by-8";
    if (nlhs > 7 && !is_real_double(outputs[7].get(), 8, 20))
        return "output 8 is not 8-by-20";
    return nullptr;
}

}  // namespace

const FuzzedGateway fuzzed_gateway{"vaporizer_step", 26, 8, check_vaporizer_step};
