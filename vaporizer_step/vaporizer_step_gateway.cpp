// [state, level, vapour_comp, temperature, pressure, stats,
//  state_sensitivity, input_sensitivity, parameter_sensitivity] =
//     vaporizer_step(<the 25 inputs of vaporizer>, interval [, options [, parameters]])
// advances the vaporizer over one interval with every input but the state
// held constant: what a sampled control loop needs between two samples.
//
// The gateway checks and unpacks as vaporizer does, reads the odeset struct
// (step_options.h), lets step_vaporizer advance a private copy of the state,
// and only then creates the outputs it was asked for, so every error leaves
// nothing behind.
#include <cstring>

#include "mex_host.h"
#include "step_interface.h"
#include "step_options.h"
#include "step_vaporizer.h"

namespace {

using namespace step_interface;
using vaporizer_arguments::IN_STATE;
using vaporizer_arguments::ModelInputs;
using vaporizer_arguments::read_model_inputs;
using step_vaporizer::module;

const argument_checks::InputName call{module, 0, nullptr};

mxArray *statistics_struct(const interval_integration::Statistics &s)
{
    const char *names[statistic_count];
    for (int k = 0; k < statistic_count; ++k)
        names[k] = statistics[k].name;
    mxArray *stats = mxCreateStructMatrix(1, 1, statistic_count, names);
    for (int k = 0; k < statistic_count; ++k)
        mxSetField(stats, 0, names[k],
                   mxCreateDoubleScalar(static_cast<double>(s.*statistics[k].count)));
    return stats;
}

void vaporizer_step(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs < IN_OPTIONS || nrhs > MAX_INPUT_COUNT)
        argument_checks::reject(call, "inputCount",
                                "takes the 25 inputs of vaporizer, the interval and optionally an "
                                "options struct and a parameter selection (26 to 28 inputs); it "
                                "was given %d",
                                nrhs);
    if (nlhs > OUTPUT_COUNT)
        argument_checks::reject(call, "outputCount", "returns at most 9 outputs; %d were requested",
                                nlhs);
    const bool selected = nrhs > IN_PARAMETERS;
    if (nlhs > OUT_PARAMETER_SENSITIVITY && !selected)
        argument_checks::reject(call, "outputCount",
                                "returns the sensitivity to parameters (output 9) only for a "
                                "parameter selection as input 28; %d outputs were requested",
                                nlhs);

    const ModelInputs in = read_model_inputs<MexHost>(prhs, module);
    const double interval = step_vaporizer::read_interval<MexHost>(prhs[IN_INTERVAL]);
    const step_settings::StepOptions options =
        nrhs > IN_OPTIONS ? step_options::read_options(prhs[IN_OPTIONS])
                          : step_settings::StepOptions{};
    // A selection is checked whatever is asked for; its sensitivity is
    // computed only as output 9.
    parameter_selection::ParameterSelection selection;
    if (selected)
        selection = parameter_selection::read_selection<MexHost>(
            prhs[IN_PARAMETERS], prhs, step_vaporizer::input_parameters);
    step_vaporizer::StepRequest request;
    request.end_outputs = nlhs > OUT_LEVEL;  // what vaporizer gives at the end state
    request.state_sensitivity = nlhs > OUT_STATE_SENSITIVITY;
    request.input_sensitivity = nlhs > OUT_INPUT_SENSITIVITY;
    if (nlhs > OUT_PARAMETER_SENSITIVITY)
        request.parameters = &selection;
    const step_vaporizer::StepEnd end = step_vaporizer::advance(in, interval, options, request);

    // The outputs asked for, as the table makes them (output 1 exists even
    // for nlhs == 0: the host's ans). The end state's elements past the 8th
    // are the input's own.
    for (int k = 0; k < (nlhs > 0 ? nlhs : 1); ++k) {
        if (k == OUT_STATS) {
            plhs[k] = statistics_struct(end.statistics);
            continue;
        }
        plhs[k] = create_output(outputs[k], prhs, selection.count);
        double *out = mxGetPr(plhs[k]);
        if (k == OUT_STATE)
            std::memcpy(out, in.arrays[IN_STATE],
                        mxGetNumberOfElements(prhs[IN_STATE]) * sizeof(double));
        std::size_t count = 0;
        const double *values = step_vaporizer::end_values(end, k, &count);
        std::memcpy(out, values, count * sizeof(double));
    }
}

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    run_gateway([&] { vaporizer_step(nlhs, plhs, nrhs, prhs); });
}
