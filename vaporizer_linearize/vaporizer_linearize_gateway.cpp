// [A, B, C, D] = vaporizer_linearize(<the 25 inputs of vaporizer>): the
// vaporizer's linear model at one operating point, exact to rounding, by
// forward-mode differentiation of the model's own code (model_jacobian.cpp).
// [A, B, C, D, E, F] = vaporizer_linearize(<the 25>, parameters) adds the
// derivatives by the selected property data (parameter_selection.h).
//
// The gateway checks and unpacks as vaporizer does and creates only the
// matrices it was asked for: B and D take 20 more derivative directions
// than A and C, which costs about three times as much.
#include "floating_point_environment.h"
#include "mex_host.h"
#include "linearize_interface.h"
#include "model_jacobian.h"
#include "vaporizer_arguments.h"

namespace {

using namespace linearize_interface;
using vaporizer_arguments::IN_STATE;
using vaporizer_arguments::MODEL_INPUT_COUNT;
using vaporizer_arguments::ModelInputs;
using vaporizer_arguments::read_model_inputs;

const char *const module = "vaporizer_linearize";
const argument_checks::InputName call{module, 0, nullptr};

void vaporizer_linearize(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs != MODEL_INPUT_COUNT && nrhs != MAX_INPUT_COUNT)
        argument_checks::reject(call, "inputCount",
                                "takes the 25 inputs of vaporizer and optionally a parameter "
                                "selection (25 or 26 inputs); it was given %d",
                                nrhs);
    if (nlhs > OUTPUT_COUNT)
        argument_checks::reject(call, "outputCount", "returns at most 6 outputs; %d were requested",
                                nlhs);
    const bool selected = nrhs == MAX_INPUT_COUNT;
    if (nlhs > OUT_E && !selected)
        argument_checks::reject(call, "outputCount",
                                "returns E and F (outputs 5 and 6) only for a parameter selection "
                                "as input 26; %d outputs were requested",
                                nlhs);

    // Every input is checked, in position order, before any output exists.
    const ModelInputs in = read_model_inputs<MexHost>(prhs, module);
    parameter_selection::ParameterSelection selection;
    if (selected)
        selection = parameter_selection::read_selection<MexHost>(prhs[IN_PARAMETERS], prhs,
                                                                 input_parameters);

    // The outputs asked for (output 1 exists even for nlhs == 0: the host's
    // ans); the others stay null and are not computed.
    vaporizer_model::Linearisation wanted;
    for (int k = 0; k < (nlhs > 0 ? nlhs : 1); ++k) {
        plhs[k] = create_output(outputs[k], prhs, selection.count);
        slot(wanted, k) = mxGetPr(plhs[k]);
    }

    const floating_point_environment::FixedEnvironment fixed_fpu;  // whatever the caller set
    vaporizer_model::vaporizer_jacobians(wanted, in.arrays[IN_STATE], in, &selection);
}

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    run_gateway([&] { vaporizer_linearize(nlhs, plhs, nrhs, prhs); });
}
