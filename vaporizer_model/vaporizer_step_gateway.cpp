// [state, level, vapour_comp, temperature, pressure, stats] =
//     vaporizer_step(<the 25 inputs of vaporizer>, interval [, options])
// advances the vaporizer over one interval with every input but the state
// held constant: what a sampled control loop needs between two samples.
//
// The gateway checks and unpacks as vaporizer does, integrates a private
// copy of the state (interval_integration.cpp, which frees all solver memory
// before it returns), and only then creates its outputs, so every error
// leaves nothing behind.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "argument_checks.h"
#include "floating_point_environment.h"
#include "interval_integration.h"
#include "mex_interface.h"
#include "model_domain.h"
#include "step_failure.h"
#include "step_options.h"
#include "step_settings.h"
#include "vaporizer_arguments.h"

namespace {

using namespace vaporizer_arguments;
using argument_checks::InputName;
using argument_checks::reject;
using floating_point_environment::FixedEnvironment;

constexpr const char *module = "vaporizer_step";
enum { IN_INTERVAL = MODEL_INPUT_COUNT, IN_OPTIONS, MAX_INPUT_COUNT };
enum { OUT_STATE, OUT_LEVEL, OUT_VAPOUR_COMP, OUT_TEMPERATURE, OUT_PRESSURE, OUT_STATS,
       MAX_OUTPUT_COUNT };
const InputName input_state{module, IN_STATE + 1, "state"};
const InputName input_interval{module, IN_INTERVAL + 1, "interval"};
const InputName input_options{module, IN_OPTIONS + 1, "options"};

constexpr std::size_t state_count = vaporizer_model::state_count;

// Ends the call with "vaporizer_step:<mnemonic>" and a formatted message.
[[noreturn]] void fail(const char *mnemonic, const char *format, ...)
{
    char identifier[64];
    std::snprintf(identifier, sizeof identifier, "%s:%s", module, mnemonic);
    char message[768];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    mexErrMsgIdAndTxt(identifier, "%s", message);
    MEX_SUITE_UNREACHABLE();
}

double read_interval(const mxArray *array)
{
    if (step_options::real_numeric_scalar(array)) {
        const double interval = mxGetScalar(array);
        if (std::isfinite(interval) && interval >= 0.0)
            return interval;
    }
    reject(input_interval, "badInterval", "must be a real, finite, non-negative numeric scalar");
}

void require_finite_state(const double *state)
{
    for (std::size_t k = 0; k < state_count; ++k) {
        if (!std::isfinite(state[k])) {
            char what[96];
            std::snprintf(what, sizeof what,
                          "must be finite in its first 8 elements; element %zu is %s", k + 1,
                          std::isnan(state[k]) ? "NaN" : (state[k] > 0.0 ? "Inf" : "-Inf"));
            reject(input_state, "stateNotFinite", what);
        }
    }
}

// What the integration's callbacks need: the model's inputs and its domain.
struct ModelContext {
    const ModelInputs *inputs;
    vaporizer_model::DomainLimits limits;
};

void model_rhs(const double *state, double *derivatives, void *context)
{
    double level, vapour_comp[vaporizer_model::component_count], temperature, pressure;
    evaluate_model(*static_cast<const ModelContext *>(context)->inputs, state, derivatives,
                   &level, vapour_comp, &temperature, &pressure);
}

int model_domain(const double *state, void *context)
{
    return vaporizer_model::domain_exit(state, static_cast<const ModelContext *>(context)->limits);
}

// A level that fell below this fraction of where it started is 0: the
// vessel ran dry, whichever bound the solution crossed first on the way.
constexpr double dry_fraction = 1e-6;

// Names the edge of the model's domain that the solution ran into. When
// CVODE's steps collapse and its error test or Newton iteration gives up,
// the solution is running into that edge (inside the domain the model is
// smooth): the edge it was heading for, if it would reach it within the
// interval.
void name_the_edge(interval_integration::Result &result, const ModelContext &model,
                   double start_level, double interval)
{
    using interval_integration::Outcome;
    if (result.outcome == Outcome::ErrorTestFailures ||
        result.outcome == Outcome::ConvergenceFailures) {
        double rates[state_count];
        model_rhs(result.reached, rates, const_cast<ModelContext *>(&model));
        double time_to_reach = 0.0;
        const int edge = vaporizer_model::approaching_exit(
            result.reached, rates, model.limits, interval - result.time, &time_to_reach);
        if (edge == vaporizer_model::inside)
            return;
        result.outcome = Outcome::LeftDomain;
        result.exit.time = result.time + time_to_reach;
        result.exit.bound = edge;
        std::memcpy(result.exit.state, result.reached, sizeof result.reached);
    }
    if (result.outcome == Outcome::LeftDomain && result.exit.state[6] < dry_fraction * start_level)
        result.exit.bound = vaporizer_model::code_of(vaporizer_model::level_not_positive);
}

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

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs != IN_OPTIONS && nrhs != MAX_INPUT_COUNT)
        fail("inputCount",
             "takes the 25 inputs of vaporizer, the interval and optionally an options struct "
             "(26 or 27 inputs); it was given %d",
             nrhs);
    if (nlhs > MAX_OUTPUT_COUNT)
        fail("outputCount", "returns at most 6 outputs; %d were requested", nlhs);

    const ModelInputs in = read_model_inputs(prhs, module);
    const double interval = read_interval(prhs[IN_INTERVAL]);
    const step_settings::StepOptions options =
        nrhs > IN_OPTIONS ? step_options::read_options(prhs[IN_OPTIONS], input_options)
                          : step_settings::StepOptions{};

    // Everything computed from the inputs, in the fixed FPU environment so
    // that the caller's rounding mode changes no bit; the errors it finds
    // are raised after it, since the host's error call may not unwind.
    ModelContext model{&in, {in.scalars[IN_TEMPERATURE_OFFSET], in.arrays[IN_ANTOINE_B],
                             in.arrays[IN_ANTOINE_C], 0.0}};
    step_settings::StepSettings settings;
    int outside = 0;
    {
        const FixedEnvironment fixed_fpu;
        const double *s = in.arrays[IN_STATE];
        settings = step_settings::derive_settings(
            options, interval, s, in.scalars[IN_TEMPERATURE_OFFSET],
            vaporizer_model::residence_time(s, in.scalars[IN_VAPOUR_FLOW],
                                            in.scalars[IN_FEED1_FLOW], in.scalars[IN_FEED2_FLOW],
                                            in.scalars[IN_AREA], in.arrays[IN_MOLAR_MASS],
                                            in.arrays[IN_DENSITY],
                                            in.scalars[IN_DENSITY_FACTOR]));
        model.limits.fraction_slack = settings.fraction_slack;
        outside = vaporizer_model::domain_exit(in.arrays[IN_STATE], model.limits);
    }
    if (options.max_step > 0.0 && options.max_step < settings.least_step)
        fail("badOption",
             "input 27 (options) field MaxStep must be at least 16 eps times the interval, %g "
             "here: no smaller step advances the time at the end of the interval",
             settings.least_step);
    require_finite_state(in.arrays[IN_STATE]);
    if (outside != 0) {
        char what[256];
        vaporizer_model::describe_outside_state(what, sizeof what, outside, in.arrays[IN_STATE],
                                                model.limits);
        fail("stateOutsideDomain", "input 1 (state) is outside the model's domain: %s", what);
    }

    // The integration and the model at its end, with no host call inside.
    double state[state_count];
    std::memcpy(state, in.arrays[IN_STATE], sizeof state);
    interval_integration::Result result;
    result.outcome = interval_integration::Outcome::Completed;  // an interval of 0 has no steps
    double derivatives[state_count] = {}, level = 0.0,
           vapour_comp[vaporizer_model::component_count] = {}, temperature = 0.0, pressure = 0.0;
    {
        const FixedEnvironment fixed_fpu;
        if (interval > 0.0) {
            result = interval_integration::integrate(model_rhs, model_domain, &model, state,
                                                     state_count, interval, settings.integration);
            name_the_edge(result, model, in.arrays[IN_STATE][6], interval);
        }
        if (result.outcome == interval_integration::Outcome::Completed && nlhs > OUT_LEVEL)
            evaluate_model(in, state, derivatives, &level, vapour_comp, &temperature, &pressure);
    }
    if (result.outcome != interval_integration::Outcome::Completed) {
        const step_failure::Failure failure =
            step_failure::describe_failure(result, interval, model.limits);
        fail(failure.mnemonic, "%s", failure.message);
    }

    // The end state, shaped like input 1; elements past the 8th are copied.
    plhs[OUT_STATE] = shaped_like(prhs[IN_STATE]);
    double *state_out = mxGetPr(plhs[OUT_STATE]);
    std::memcpy(state_out, in.arrays[IN_STATE],
                mxGetNumberOfElements(prhs[IN_STATE]) * sizeof(double));
    std::memcpy(state_out, state, sizeof state);
    if (nlhs <= OUT_LEVEL)
        return;

    // What vaporizer returns for the end state; output 3 is shaped like
    // input 5 and zero past the 7th element, as vaporizer's.
    plhs[OUT_LEVEL] = mxCreateDoubleScalar(level);
    if (nlhs > OUT_VAPOUR_COMP) {
        plhs[OUT_VAPOUR_COMP] = shaped_like(prhs[IN_FEED1_COMP]);
        std::memcpy(mxGetPr(plhs[OUT_VAPOUR_COMP]), vapour_comp, sizeof vapour_comp);
    }
    if (nlhs > OUT_TEMPERATURE)
        plhs[OUT_TEMPERATURE] = mxCreateDoubleScalar(temperature);
    if (nlhs > OUT_PRESSURE)
        plhs[OUT_PRESSURE] = mxCreateDoubleScalar(pressure);
    if (nlhs > OUT_STATS)
        plhs[OUT_STATS] = statistics_struct(result.statistics);
}
