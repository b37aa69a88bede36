// [state, level, vapour_comp, temperature, pressure, stats,
//  state_sensitivity, input_sensitivity] =
//     vaporizer_step(<the 25 inputs of vaporizer>, interval [, options])
// advances the vaporizer over one interval with every input but the state
// held constant: what a sampled control loop needs between two samples.
//
// The gateway checks and unpacks as vaporizer does, reads the odeset struct
// (step_options.h), lets step_vaporizer advance a private copy of the state,
// and only then creates the outputs it was asked for, so every error leaves
// nothing behind.
#include <cstring>

#include "mex_host.h"
#include "step_options.h"
#include "step_vaporizer.h"

namespace {

using namespace vaporizer_arguments;
using step_vaporizer::module;

enum { IN_INTERVAL = MODEL_INPUT_COUNT, IN_OPTIONS, MAX_INPUT_COUNT };
enum { OUT_STATE, OUT_LEVEL, OUT_VAPOUR_COMP, OUT_TEMPERATURE, OUT_PRESSURE, OUT_STATS,
       OUT_STATE_SENSITIVITY, OUT_INPUT_SENSITIVITY, MAX_OUTPUT_COUNT };
const argument_checks::InputName call{module, 0, nullptr};

mxArray *statistics_struct(const interval_integration::Statistics &s)
{
    const char *names[] = {"steps", "failed_steps", "rhs_evaluations", "jacobian_evaluations",
                           "nonlinear_iterations", "convergence_failures"};
    const long counts[] = {s.steps, s.failed_steps, s.rhs_evaluations, s.jacobian_evaluations,
                           s.nonlinear_iterations, s.convergence_failures};
    mxArray *stats = mxCreateStructMatrix(1, 1, 6, names);
    for (int k = 0; k < 6; ++k)
        mxSetField(stats, 0, names[k], mxCreateDoubleScalar(static_cast<double>(counts[k])));
    return stats;
}

// A new 8-by-columns matrix holding values, column-major.
mxArray *matrix_of(const double *values, int columns)
{
    mxArray *matrix = mxCreateDoubleMatrix(step_vaporizer::state_count, columns, mxREAL);
    std::memcpy(mxGetPr(matrix), values,
                sizeof(double) * step_vaporizer::state_count * static_cast<std::size_t>(columns));
    return matrix;
}

void vaporizer_step(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs != IN_OPTIONS && nrhs != MAX_INPUT_COUNT)
        argument_checks::reject(call, "inputCount",
                                "takes the 25 inputs of vaporizer, the interval and optionally an "
                                "options struct (26 or 27 inputs); it was given %d",
                                nrhs);
    if (nlhs > MAX_OUTPUT_COUNT)
        argument_checks::reject(call, "outputCount", "returns at most 8 outputs; %d were requested",
                                nlhs);

    const ModelInputs in = read_model_inputs<MexHost>(prhs, module);
    const double interval = step_vaporizer::read_interval<MexHost>(prhs[IN_INTERVAL]);
    const step_settings::StepOptions options =
        nrhs > IN_OPTIONS ? step_options::read_options(prhs[IN_OPTIONS])
                          : step_settings::StepOptions{};
    step_vaporizer::StepRequest request;
    request.end_outputs = nlhs > OUT_LEVEL;
    request.state_sensitivity = nlhs > OUT_STATE_SENSITIVITY;
    request.input_sensitivity = nlhs > OUT_INPUT_SENSITIVITY;
    const step_vaporizer::StepEnd end = step_vaporizer::advance(in, interval, options, request);

    // The end state, shaped like input 1; elements past the 8th are copied.
    plhs[OUT_STATE] = shaped_like(prhs[IN_STATE]);
    double *state_out = mxGetPr(plhs[OUT_STATE]);
    std::memcpy(state_out, in.arrays[IN_STATE],
                mxGetNumberOfElements(prhs[IN_STATE]) * sizeof(double));
    std::memcpy(state_out, end.state, sizeof end.state);
    if (nlhs <= OUT_LEVEL)
        return;

    // What vaporizer returns for the end state; output 3 is shaped like
    // input 5 and zero past the 7th element, as vaporizer's.
    plhs[OUT_LEVEL] = mxCreateDoubleScalar(end.level);
    if (nlhs > OUT_VAPOUR_COMP) {
        plhs[OUT_VAPOUR_COMP] = shaped_like(prhs[IN_FEED1_COMP]);
        std::memcpy(mxGetPr(plhs[OUT_VAPOUR_COMP]), end.vapour_comp, sizeof end.vapour_comp);
    }
    if (nlhs > OUT_TEMPERATURE)
        plhs[OUT_TEMPERATURE] = mxCreateDoubleScalar(end.temperature);
    if (nlhs > OUT_PRESSURE)
        plhs[OUT_PRESSURE] = mxCreateDoubleScalar(end.pressure);
    if (nlhs > OUT_STATS)
        plhs[OUT_STATS] = statistics_struct(end.statistics);
    if (nlhs > OUT_STATE_SENSITIVITY)
        plhs[OUT_STATE_SENSITIVITY] = matrix_of(end.state_sensitivity, step_vaporizer::state_count);
    if (nlhs > OUT_INPUT_SENSITIVITY)
        plhs[OUT_INPUT_SENSITIVITY] = matrix_of(end.input_sensitivity, step_vaporizer::input_count);
}

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    run_gateway([&] { vaporizer_step(nlhs, plhs, nrhs, prhs); });
}
