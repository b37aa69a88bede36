#include "step_vaporizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "domain_messages.h"
#include "floating_point_environment.h"
#include "model_domain.h"
#include "model_jacobian.h"
#include "step_failure.h"
#include "step_interface.h"

namespace step_vaporizer {

namespace {

using argument_checks::reject;
using floating_point_environment::FixedEnvironment;
using vaporizer_model::state_level;
using vaporizer_arguments::ModelInputs;
using namespace vaporizer_arguments;

// What the integration's callbacks need: the model's inputs, its domain, and
// what the parameters of the sensitivities are: the operating inputs, then
// the selected property data (either may be absent).
struct ModelContext {
    const ModelInputs *inputs;
    vaporizer_model::DomainLimits limits;
    bool input_parameters;
    const parameter_selection::ParameterSelection *selection;
};

void model_rhs(const double *state, double *derivatives, void *context)
{
    double level, vapour_comp[component_count], temperature, pressure;
    evaluate_model(*static_cast<const ModelContext *>(context)->inputs, state, derivatives,
                   &level, vapour_comp, &temperature, &pressure);
}

void model_jacobians(const double *state, double *state_matrix, double *parameter_matrix,
                     void *context)
{
    const ModelContext &model = *static_cast<const ModelContext *>(context);
    if (parameter_matrix != nullptr && model.input_parameters) {
        vaporizer_model::vaporizer_state_input_jacobians(state_matrix, parameter_matrix, nullptr,
                                                         state, *model.inputs);
        parameter_matrix += state_count * input_count;
    } else {
        vaporizer_model::vaporizer_state_jacobian(state_matrix, nullptr, state, *model.inputs);
    }
    if (parameter_matrix != nullptr && model.selection != nullptr)
        vaporizer_model::vaporizer_parameter_jacobians(parameter_matrix, nullptr, state,
                                                       *model.inputs, *model.selection);
}

int model_domain(const double *state, void *context)
{
    return vaporizer_model::domain_exit(state, static_cast<const ModelContext *>(context)->limits);
}

void require_finite_state(const double *state)
{
    for (int k = 0; k < state_count; ++k)
        if (!std::isfinite(state[k]))
            reject(input_state, "stateNotFinite",
                   "must be finite in its first 8 elements; element %d is %s", k + 1,
                   argument_checks::printed(state[k]).text);
}

// The inputs that draw the domain's temperature bounds must be numbers:
// with a NaN among them no state lies inside, and the state is not to blame.
void require_defined_domain(const ModelInputs &in)
{
    if (std::isnan(in.scalars[IN_TEMPERATURE_OFFSET]))
        reject({module, IN_TEMPERATURE_OFFSET + 1, "temperature_offset"}, "undefinedDomain",
               "is NaN, so the model's domain (T + temperature_offset > 0) is not defined");
    for (int k = 0; k < component_count; ++k)
        if (in.arrays[IN_ANTOINE_B][k] < 0.0 && std::isnan(in.arrays[IN_ANTOINE_C][k]))
            reject({module, IN_ANTOINE_C + 1, "antoine_c"}, "undefinedDomain",
                   "element %d is NaN, so the model's domain (T + antoine_c > 0 where "
                   "antoine_b < 0) is not defined", k + 1);
}

// A level that falls below this fraction of where it started is dry: the
// rates grow as 1 / level, and no integration follows them further.
constexpr double dry_fraction = 1e-6;

// Names the edge of the model's domain that the solution ran into. When
// CVODE's steps collapse and its error test or Newton iteration gives up,
// the solution is running into that edge (inside the domain the model is
// smooth): the edge it was heading for, if it would reach it within the
// interval. A trial or accepted state beyond a fraction bound that the
// solution cannot cross overshot it; the edge it was heading for is named
// instead, where there is one.
void name_the_edge(interval_integration::Result &result, const ModelContext &model,
                   double interval)
{
    using interval_integration::Outcome;
    const bool collapsed = result.outcome == Outcome::ErrorTestFailures ||
                           result.outcome == Outcome::ConvergenceFailures;
    const bool overshot =
        result.outcome == Outcome::LeftDomain &&
        vaporizer_model::unreachable_fraction_bound(result.exit.bound, model.limits);
    if (!collapsed && !overshot)
        return;
    // The state accepted last, where the integration failed; the accepted
    // state itself where it was accepted outside.
    double from[state_count];
    std::memcpy(from, result.exit_accepted ? result.exit.state : result.reached, sizeof from);
    double rates[state_count];
    model_rhs(from, rates, const_cast<ModelContext *>(&model));
    double time_to_reach = 0.0;
    const int edge = vaporizer_model::approaching_exit(from, rates, model.limits,
                                                      interval - result.time, &time_to_reach);
    if (edge == vaporizer_model::inside)
        return;
    result.outcome = Outcome::LeftDomain;
    result.exit.time = result.time + time_to_reach;
    result.exit.bound = edge;
    std::memcpy(result.exit.state, from, sizeof from);
}

// Integration passes of one interval, and what they need to start over.
struct Passes {
    const ModelContext &model;
    const double *start;
    double interval;
    interval_integration::Settings settings;
    bool exact_jacobian;
    interval_integration::Sensitivities *sensitivities;  // null for none
};

void add(interval_integration::Statistics &total, const interval_integration::Statistics &pass)
{
    for (const step_interface::StatisticField &field : step_interface::statistics)
        total.*field.count += pass.*field.count;
}

// A level that ends below this fraction of where it started is integrated
// again with tighter tolerances; so is one that ends below half the level
// those tolerances were set for.
constexpr double refine_below = 0.1;
constexpr double settle_above = 0.5;
constexpr int max_passes = 3;
// The tightest relative tolerance a pass near dry scales down to: where the
// level is a millionth of its start (dry) at the default RelTol, 1e-8.
constexpr double least_relative_tolerance = 1e-13;

// The settings of a pass that expects the level to end at lowest (below
// refine_below times where it started). The level's end value is the start
// level less what drained, and the drain is the integral of a rate set by
// every element: for the end level to be right to RelTol of itself, the
// whole integration must be right to RelTol times the end level's share of
// the start. Every tolerance shrinks in that proportion (times ten: the
// first pass is right to the share of a tenth of the start), RelTol no
// further than least_relative_tolerance; and the level's relative tolerance
// applies to at most its end value, so the error made while the vessel was
// full does not swamp the level near dry.
interval_integration::Settings near_dry(const interval_integration::Settings &given,
                                        double lowest, double start_level)
{
    interval_integration::Settings settings = given;
    const double scale =
        std::max(lowest / (refine_below * start_level),
                 std::min(1.0, least_relative_tolerance / given.relative_tolerance));
    settings.relative_tolerance = settings.relative_tolerance * scale;
    for (int k = 0; k < state_count; ++k)
        settings.absolute_tolerance[k] = settings.absolute_tolerance[k] * scale;
    settings.relative_ceiling[state_level] = lowest;
    return settings;
}

// Advances end_state over the interval from the start. The level's error is
// held to RelTol and AbsTol(7) relative to where it starts, and the rates
// grow as 1 / level: an error that is small beside the start level is large
// beside a level near dry. So where the level ends far below where it
// started, the interval is integrated again from the start with the
// tolerances set for where it ended (near_dry()), until it ends at a level
// they were set for. False when no pass gets there, with end_state the
// start and in result.reached the state the first pass ended at.
bool integrate_following_the_level(const Passes &p, double *end_state,
                                   interval_integration::Result &result)
{
    using interval_integration::Outcome;
    const double start_level = p.start[state_level];
    double lowest = start_level;
    double threshold = refine_below * start_level;
    interval_integration::Statistics total;
    double first_end[state_count];
    for (int pass = 0; pass < max_passes; ++pass) {
        const interval_integration::Settings settings =
            pass == 0 ? p.settings : near_dry(p.settings, lowest, start_level);
        std::memcpy(end_state, p.start, sizeof(double) * state_count);
        result = interval_integration::integrate(
            model_rhs, model_domain, p.exact_jacobian ? model_jacobians : nullptr,
            const_cast<ModelContext *>(&p.model), end_state, state_count, p.interval, settings,
            p.sensitivities);
        add(total, result.statistics);
        result.statistics = total;
        name_the_edge(result, p.model, p.interval);
        // A later pass that fails other than by leaving the domain asked for
        // tolerances that doubles cannot hold, or that the steps cannot
        // meet: the level is too near dry to be followed.
        if (result.outcome != Outcome::Completed) {
            if (pass == 0 || result.outcome == Outcome::LeftDomain)
                return true;
            break;
        }
        if (!(end_state[state_level] < threshold))
            return true;
        if (pass == 0)
            std::memcpy(first_end, end_state, sizeof first_end);
        lowest = end_state[state_level];
        threshold = settle_above * lowest;
    }
    std::memcpy(result.reached, first_end, sizeof first_end);
    std::memcpy(end_state, p.start, sizeof(double) * state_count);
    return false;
}

}  // namespace

const double *end_values(const StepEnd &end, int output, std::size_t *count)
{
    namespace out = step_interface;
    switch (output) {
    case out::OUT_STATE: *count = state_count; return end.state;
    case out::OUT_LEVEL: *count = 1; return &end.level;
    case out::OUT_VAPOUR_COMP: *count = component_count; return end.vapour_comp;
    case out::OUT_TEMPERATURE: *count = 1; return &end.temperature;
    case out::OUT_PRESSURE: *count = 1; return &end.pressure;
    case out::OUT_STATE_SENSITIVITY:
        *count = state_count * state_count;
        return end.state_sensitivity;
    case out::OUT_INPUT_SENSITIVITY:
        *count = state_count * input_count;
        return end.input_sensitivity;
    case out::OUT_PARAMETER_SENSITIVITY:
        *count = state_count * end.parameter_count;
        return end.input_sensitivity + state_count * input_count;
    default: *count = 0; return nullptr;
    }
}

StepEnd advance(const ModelInputs &in, double interval, const step_settings::StepOptions &options,
                const StepRequest &request)
{
    // Everything computed from the inputs, in the fixed FPU environment so
    // that the caller's rounding mode changes no bit.
    const double *start = in.arrays[IN_STATE];
    const bool input_parameters = request.input_sensitivity || request.parameters != nullptr;
    ModelContext model{&in,
                       {in.scalars[IN_TEMPERATURE_OFFSET], in.arrays[IN_ANTOINE_B],
                        in.arrays[IN_ANTOINE_C], 0.0},
                       input_parameters,
                       request.parameters};
    step_settings::StepSettings settings;
    int outside = 0;
    {
        const FixedEnvironment fixed_fpu;
        settings = step_settings::derive_settings(
            options, interval, start, in.scalars[IN_TEMPERATURE_OFFSET],
            vaporizer_model::residence_time(start, in.scalars[IN_VAPOUR_FLOW],
                                            in.scalars[IN_FEED1_FLOW], in.scalars[IN_FEED2_FLOW],
                                            in.scalars[IN_AREA], in.arrays[IN_MOLAR_MASS],
                                            in.arrays[IN_DENSITY],
                                            in.scalars[IN_DENSITY_FACTOR]));
        model.limits.fraction_slack = settings.fraction_slack;
        model.limits.least_level = dry_fraction * start[state_level];
        vaporizer_model::set_reachable_fractions(
            model.limits, in.scalars[IN_FEED1_FLOW], in.arrays[IN_FEED1_COMP],
            in.scalars[IN_FEED2_FLOW], in.arrays[IN_FEED2_COMP]);
        outside = vaporizer_model::domain_exit(start, model.limits);
    }
    if (options.max_step > 0.0 && options.max_step < settings.least_step)
        reject(step_settings::input_options, "badOption",
               "field MaxStep must be at least 16 eps times the interval, %g here: no smaller "
               "step advances the time at the end of the interval",
               settings.least_step);
    require_finite_state(start);
    require_defined_domain(in);
    if (outside != 0) {
        char why[256];
        vaporizer_model::describe_outside_state(why, sizeof why, outside, start, model.limits);
        reject(input_state, "stateOutsideDomain", "is outside the model's domain: %s", why);
    }

    StepEnd end{};
    std::memcpy(end.state, start, sizeof end.state);
    // An interval of 0 has no steps; its sensitivities are I and 0.
    for (int k = 0; k < state_count; ++k)
        end.state_sensitivity[k * (state_count + 1)] = 1.0;
    interval_integration::Result result;
    result.outcome = interval_integration::Outcome::Completed;
    bool resolved = true;
    {
        const FixedEnvironment fixed_fpu;
        // The parameters' values, the scales of their sensitivities.
        double values[input_count + parameter_selection::max_parameters];
        operating_inputs(in, values);
        interval_integration::Sensitivities sensitivities;
        sensitivities.parameters = input_parameters ? input_count : 0;
        if (request.parameters != nullptr) {
            for (std::size_t k = 0; k < request.parameters->count; ++k)
                values[input_count + k] = parameter_selection::value_of(
                    request.parameters->rows[k], in);
            end.parameter_count = request.parameters->count;
            sensitivities.parameters += end.parameter_count;
        }
        sensitivities.parameter_scales = values;
        sensitivities.to_state = end.state_sensitivity;
        sensitivities.to_parameters = end.input_sensitivity;
        sensitivities.error_control = options.sensitivity_error_control;
        const bool sensitive = request.state_sensitivity || input_parameters;
        if (sensitive)
            settings.integration.max_steps = step_settings::max_steps_with_sensitivities;
        if (interval > 0.0)
            resolved = integrate_following_the_level(
                {model, start, interval, settings.integration, request.exact_jacobian,
                 sensitive ? &sensitivities : nullptr},
                end.state, result);
        if (resolved && result.outcome == interval_integration::Outcome::Completed &&
            request.end_outputs)
            evaluate_model(in, end.state, end.derivatives, &end.level, end.vapour_comp,
                           &end.temperature, &end.pressure);
    }
    if (!resolved)
        reject({module, 0, nullptr}, "leftDomain",
               "the level falls to about %s by the end of the interval [0, %g], %s of where it "
               "started: too close to dry to be followed to the tolerances",
               argument_checks::printed(result.reached[state_level]).text, interval,
               argument_checks::printed(result.reached[state_level] / start[state_level]).text);
    if (result.outcome != interval_integration::Outcome::Completed) {
        const step_failure::Failure failure =
            step_failure::describe_failure(result, interval, model.limits);
        reject({module, 0, nullptr}, failure.mnemonic, "%s", failure.message);
    }
    end.statistics = result.statistics;
    return end;
}

}  // namespace step_vaporizer
