// [A, B, C, D] = vaporizer_linearize(<the 25 inputs of vaporizer>): the
// vaporizer's linear model at one operating point, exact to rounding, by
// forward-mode differentiation of the model's own code (model_jacobian.cpp).
//
// The gateway checks and unpacks as vaporizer does and creates only the
// matrices it was asked for: B and D take 20 more derivative directions
// than A and C, which costs about three times as much.
#include "floating_point_environment.h"
#include "mex_host.h"
#include "model_jacobian.h"
#include "vaporizer_arguments.h"

namespace {

using namespace vaporizer_arguments;
using vaporizer_model::input_count;
using vaporizer_model::output_count;
using vaporizer_model::state_count;

enum { OUT_A, OUT_B, OUT_C, OUT_D, MAX_OUTPUT_COUNT };
const char *const module = "vaporizer_linearize";
const argument_checks::InputName call{module, 0, nullptr};

double *new_matrix(mxArray *plhs[], int nlhs, int slot, int rows, int columns)
{
    // Output 1 exists even for nlhs == 0: the host's ans.
    if (slot > 0 && slot >= nlhs)
        return nullptr;
    plhs[slot] = mxCreateDoubleMatrix(rows, columns, mxREAL);
    return mxGetPr(plhs[slot]);
}

void vaporizer_linearize(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs != MODEL_INPUT_COUNT)
        argument_checks::reject(call, "inputCount",
                                "takes the 25 inputs of vaporizer; it was given %d", nrhs);
    if (nlhs > MAX_OUTPUT_COUNT)
        argument_checks::reject(call, "outputCount", "returns at most 4 outputs; %d were requested",
                                nlhs);

    // Every input is checked, in position order, before any output exists.
    const ModelInputs in = read_model_inputs<MexHost>(prhs, module);

    vaporizer_model::Linearisation wanted;
    wanted.state_matrix = new_matrix(plhs, nlhs, OUT_A, state_count, state_count);
    wanted.input_matrix = new_matrix(plhs, nlhs, OUT_B, state_count, input_count);
    wanted.output_matrix = new_matrix(plhs, nlhs, OUT_C, output_count, state_count);
    wanted.feedthrough_matrix = new_matrix(plhs, nlhs, OUT_D, output_count, input_count);

    const floating_point_environment::FixedEnvironment fixed_fpu;  // whatever the caller set
    vaporizer_model::vaporizer_jacobians(wanted, in.arrays[IN_STATE], in);
}

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    run_gateway([&] { vaporizer_linearize(nlhs, plhs, nrhs, prhs); });
}
