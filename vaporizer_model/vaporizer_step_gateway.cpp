// [state, level, vapour_comp, temperature, pressure, stats] =
//     vaporizer_step(<the 25 inputs of vaporizer>, interval [, options])
// advances the vaporizer over one interval with every input but the state
// held constant: what a sampled control loop needs between two samples.
//
// The gateway checks and unpacks as vaporizer does, integrates a private
// copy of the state (interval_integration.cpp, which frees all solver memory
// before it returns), and only then creates its outputs, so every error
// leaves nothing behind.
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "argument_checks.h"
#include "floating_point_environment.h"
#include "interval_integration.h"
#include "mex_interface.h"
#include "vaporizer_arguments.h"

namespace {

using namespace vaporizer_arguments;
using argument_checks::InputName;
using argument_checks::reject;

constexpr const char *module = "vaporizer_step";
enum { IN_INTERVAL = MODEL_INPUT_COUNT, IN_OPTIONS, MAX_INPUT_COUNT };
enum { OUT_STATE, OUT_LEVEL, OUT_VAPOUR_COMP, OUT_TEMPERATURE, OUT_PRESSURE, OUT_STATS,
       MAX_OUTPUT_COUNT };
const InputName input_state{module, IN_STATE + 1, "state"};
const InputName input_interval{module, IN_INTERVAL + 1, "interval"};
const InputName input_options{module, IN_OPTIONS + 1, "options"};

constexpr std::size_t state_count = vaporizer_model::state_count;
// Steps allowed for one interval: far more than any sensible setting needs,
// few enough that a hopeless one ends within a second.
constexpr long max_steps = 100000;

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

// NaN and infinities as the host prints them.
const char *nonfinite_name(double value)
{
    return std::isnan(value) ? "NaN" : (value > 0.0 ? "Inf" : "-Inf");
}

// A real numeric value of exactly one element.
bool real_numeric_scalar(const mxArray *array)
{
    return mxIsNumeric(array) && !mxIsComplex(array) && mxGetNumberOfElements(array) == 1;
}

double read_interval(const mxArray *array)
{
    if (real_numeric_scalar(array)) {
        const double interval = mxGetScalar(array);
        if (std::isfinite(interval) && interval >= 0.0)
            return interval;
    }
    reject(input_interval, "badInterval", "must be a real, finite, non-negative numeric scalar");
}

// The settings as the host's stiff solver defaults them: RelTol 1e-3,
// AbsTol 1e-6, MaxStep a tenth of the interval, the first step estimated,
// and no step below 16 eps of the interval: a step that would have to be
// smaller cannot move the time any more, and the integration fails there
// at once rather than after max_steps steps that go nowhere.
struct Options {
    interval_integration::Settings settings;
    double absolute[state_count];
};

bool same_name(const char *a, const char *b)
{
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if ((*a | 0x20) != (*b | 0x20))
            return false;
    return *a == *b;
}

// A field of the options struct that must be a positive real number: any
// positive value, or a finite one.
double positive_option(const mxArray *value, const char *field, bool finite)
{
    if (real_numeric_scalar(value)) {
        const double number = mxGetScalar(value);
        if (number > 0.0 && (!finite || std::isfinite(number)))
            return number;
    }
    char what[128];
    std::snprintf(what, sizeof what, "field %s must be a positive%s real numeric scalar", field,
                  finite ? ", finite" : "");
    reject(input_options, "badOption", what);
}

// AbsTol: one value for every state element, or one for each of the 8.
void absolute_tolerance(const mxArray *value, Options &options)
{
    const std::size_t count = mxGetNumberOfElements(value);
    if (count == 1) {
        options.absolute[0] = positive_option(value, "AbsTol", true);
        options.settings.absolute_count = 1;
        return;
    }
    bool valid = count == state_count && mxIsDouble(value) && !mxIsSparse(value) &&
                 !mxIsComplex(value);
    for (std::size_t k = 0; valid && k < count; ++k) {
        options.absolute[k] = mxGetPr(value)[k];
        valid = options.absolute[k] > 0.0 && std::isfinite(options.absolute[k]);
    }
    if (!valid)
        reject(input_options, "badOption",
               "field AbsTol must be a positive, finite real scalar or a real double vector of "
               "8 such values");
    options.settings.absolute_count = state_count;
}

Options read_options(const mxArray *const prhs[], int nrhs, double interval)
{
    Options options{{1e-3, nullptr, 1, 0.1 * interval, 16.0 * DBL_EPSILON * interval, 0.0,
                     max_steps},
                    {1e-6}};
    options.settings.absolute_tolerance = options.absolute;
    if (nrhs <= IN_OPTIONS || mxGetNumberOfElements(prhs[IN_OPTIONS]) == 0)
        return options;
    const mxArray *struct_array = prhs[IN_OPTIONS];
    if (!mxIsStruct(struct_array) || mxGetNumberOfElements(struct_array) != 1)
        reject(input_options, "badOptions", "must be a 1-by-1 struct such as odeset returns, or []");

    // An option that is set but not read would change nothing silently, so
    // every non-empty field must be one of the four this integration honours.
    for (int k = 0; k < mxGetNumberOfFields(struct_array); ++k) {
        const mxArray *value = mxGetFieldByNumber(struct_array, 0, k);
        if (value == nullptr || mxGetNumberOfElements(value) == 0)
            continue;
        const char *field = mxGetFieldNameByNumber(struct_array, k);
        if (same_name(field, "RelTol")) {
            options.settings.relative_tolerance = positive_option(value, "RelTol", true);
        } else if (same_name(field, "AbsTol")) {
            absolute_tolerance(value, options);
        } else if (same_name(field, "MaxStep")) {
            options.settings.max_step = positive_option(value, "MaxStep", false);
        } else if (same_name(field, "InitialStep")) {
            options.settings.initial_step = positive_option(value, "InitialStep", true);
        } else {
            char what[192];
            std::snprintf(what, sizeof what,
                          "field %.64s is set, but only RelTol, AbsTol, MaxStep and InitialStep "
                          "are honoured; leave it empty",
                          field);
            reject(input_options, "unsupportedOption", what);
        }
    }
    return options;
}

void require_finite_state(const double *state)
{
    for (std::size_t k = 0; k < state_count; ++k) {
        if (!std::isfinite(state[k])) {
            char what[96];
            std::snprintf(what, sizeof what,
                          "must be finite in its first 8 elements; element %zu is %s", k + 1,
                          nonfinite_name(state[k]));
            reject(input_state, "stateNotFinite", what);
        }
    }
}

// The vaporizer as the integrator's right-hand side.
void model_rhs(const double *state, double *derivatives, void *context)
{
    double level, vapour_comp[vaporizer_model::component_count], temperature, pressure;
    evaluate_model(*static_cast<const ModelInputs *>(context), state, derivatives, &level,
                   vapour_comp, &temperature, &pressure);
}

[[noreturn]] void report_failure(const interval_integration::Result &r, double interval)
{
    using interval_integration::Outcome;
    const char *cvode = r.solver_message[0] != '\0' ? r.solver_message : "no details";
    switch (r.outcome) {
    case Outcome::RhsNotFinite:
        fail("rhsNotFinite",
             "the right-hand side turned non-finite at t = %g within the interval [0, %g] "
             "(derivative %zu is %s), and smaller steps did not avoid it: the model is not "
             "defined at the state reached there",
             r.nonfinite_time, interval, r.nonfinite_index + 1, nonfinite_name(r.nonfinite_value));
    case Outcome::TooMuchWork:
        fail("tooMuchWork",
             "CVODE took %ld steps and stopped at t = %g within the interval [0, %g] (step size "
             "%g); raise MaxStep, loosen RelTol or AbsTol, or split the interval",
             r.statistics.steps, r.time, interval, r.step);
    case Outcome::TooMuchAccuracy:
        fail("tooMuchAccuracy",
             "at t = %g within the interval [0, %g] the tolerances ask for more accuracy than "
             "doubles hold; raise RelTol or AbsTol (CVODE: %s)",
             r.time, interval, cvode);
    case Outcome::ErrorTestFailures:
        fail("errorTestFailures",
             "CVODE failed its error test repeatedly at t = %g within the interval [0, %g] "
             "(step size %g): the state changes too fast there for the tolerances (CVODE: %s)",
             r.time, interval, r.step, cvode);
    case Outcome::ConvergenceFailures:
        fail("convergenceFailures",
             "CVODE's Newton iteration failed to converge repeatedly at t = %g within the "
             "interval [0, %g] (step size %g) (CVODE: %s)",
             r.time, interval, r.step, cvode);
    case Outcome::OutOfMemory:
        fail("outOfMemory", "the solver's memory could not be allocated");
    case Outcome::Completed:
    case Outcome::SolverFailed:
        break;
    }
    fail("solverFailed", "CVODE failed at t = %g within the interval [0, %g] (CVODE: %s)", r.time,
         interval, cvode);
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
    const Options options = read_options(prhs, nrhs, interval);
    require_finite_state(in.arrays[IN_STATE]);

    // The integration and the model at its end, in a fixed FPU environment
    // (so the bits are vaporizer's and the caller's modes change nothing),
    // with no host call inside it: the host's error call may not unwind.
    double state[state_count];
    std::memcpy(state, in.arrays[IN_STATE], sizeof state);
    interval_integration::Result result;
    result.outcome = interval_integration::Outcome::Completed;  // an interval of 0 has no steps
    double derivatives[state_count] = {}, level = 0.0,
           vapour_comp[vaporizer_model::component_count] = {}, temperature = 0.0, pressure = 0.0;
    {
        const floating_point_environment::FixedEnvironment fixed_fpu;
        if (interval > 0.0)
            result = interval_integration::integrate(model_rhs, const_cast<ModelInputs *>(&in),
                                                     state, state_count, interval,
                                                     options.settings);
        if (result.outcome == interval_integration::Outcome::Completed && nlhs > OUT_LEVEL)
            evaluate_model(in, state, derivatives, &level, vapour_comp, &temperature, &pressure);
    }
    if (result.outcome != interval_integration::Outcome::Completed)
        report_failure(result, interval);

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
