// Fuzz target for vaporizer (25 inputs, 5 outputs): a call that returns must
// have had exactly those counts, and its outputs take the shapes of inputs 1
// and 5 (zero beyond the 8 and 7 values the model writes), with the level and
// the temperature copied bit for bit from state elements 6 and 7.
#include <cmath>
#include <cstring>
#include <vector>

#include "gateway_fuzzer.h"
#include "vaporizer_arguments.h"

namespace {

using namespace fuzzing;

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

const char *check_vaporizer(const Inputs &inputs, int nlhs, const Outputs &outputs)
{
    if (inputs.size() != 25 || nlhs != 5)
        return "returned for a wrong number of inputs or outputs";
    const mxArray *state = inputs[0];
    if (!mxIsDouble(state) || mxIsSparse(state) || mxGetNumberOfElements(state) < 8)
        return "returned for a state that is not 8 dense doubles or more";
    if (const char *fault =
            shaped_as_table(vaporizer_arguments::model_outputs, inputs, nlhs, outputs))
        return fault;
    if (!zero_from(outputs[0].get(), 8))
        return "output 1 is not zero beyond element 8";
    if (!zero_from(outputs[2].get(), 7))
        return "output 3 is not zero beyond element 7";
    const std::vector<double> x = in_process_host::values(state);
    if (!same_bits(in_process_host::values(outputs[1].get())[0], x[6]))
        return "output 2 is not state element 6";
    if (!same_bits(in_process_host::values(outputs[3].get())[0], x[7]))
        return "output 4 is not state element 7";
    return nullptr;
}

}  // namespace

const FuzzedGateway fuzzed_gateway{"vaporizer", 25, 5, check_vaporizer};
