#include "step_vaporizer.h"

#include <cmath>
#include <cstring>

#include "floating_point_environment.h"
#include "model_domain.h"
#include "model_jacobian.h"
#include "step_failure.h"

namespace step_vaporizer {

namespace {

using argument_checks::reject;
using floating_point_environment::FixedEnvironment;
using vaporizer_arguments::ModelInputs;
using namespace vaporizer_arguments;

// What the integration's callbacks need: the model's inputs and its domain.
struct ModelContext {
    const ModelInputs *inputs;
    vaporizer_model::DomainLimits limits;
};

void model_rhs(const double *state, double *derivatives, void *context)
{
    double level, vapour_comp[component_count], temperature, pressure;
    evaluate_model(*static_cast<const ModelContext *>(context)->inputs, state, derivatives,
                   &level, vapour_comp, &temperature, &pressure);
}

void model_jacobians(const double *state, double *state_matrix, double *input_matrix,
                     void *context)
{
    const ModelInputs &inputs = *static_cast<const ModelContext *>(context)->inputs;
    if (input_matrix == nullptr)
        vaporizer_model::vaporizer_state_jacobian(state_matrix, nullptr, state, inputs);
    else
        vaporizer_model::vaporizer_state_input_jacobians(state_matrix, input_matrix, nullptr,
                                                         state, inputs);
}

// The operating inputs' values, the scales of their sensitivities.
void input_values(const ModelInputs &in, double *u)
{
    const double *z1 = in.arrays[IN_FEED1_COMP], *z2 = in.arrays[IN_FEED2_COMP];
    const double *s = in.scalars;
    const double values[input_count] = {
        s[IN_VAPOUR_FLOW], s[IN_HEAT_INPUT], s[IN_FEED1_FLOW], z1[0], z1[1], z1[2], z1[3],
        z1[4], z1[5], z1[6], s[IN_FEED1_TEMP], s[IN_FEED2_FLOW], z2[0], z2[1], z2[2], z2[3],
        z2[4], z2[5], z2[6], s[IN_FEED2_TEMP]};
    std::memcpy(u, values, sizeof values);
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
                   std::isnan(state[k]) ? "NaN" : (state[k] > 0.0 ? "Inf" : "-Inf"));
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

}  // namespace

StepEnd advance(const ModelInputs &in, double interval, const step_settings::StepOptions &options,
                const StepRequest &request)
{
    // Everything computed from the inputs, in the fixed FPU environment so
    // that the caller's rounding mode changes no bit.
    const double *start = in.arrays[IN_STATE];
    ModelContext model{&in, {in.scalars[IN_TEMPERATURE_OFFSET], in.arrays[IN_ANTOINE_B],
                             in.arrays[IN_ANTOINE_C], 0.0}};
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
        outside = vaporizer_model::domain_exit(start, model.limits);
    }
    if (options.max_step > 0.0 && options.max_step < settings.least_step)
        reject(step_settings::input_options, "badOption",
               "field MaxStep must be at least 16 eps times the interval, %g here: no smaller "
               "step advances the time at the end of the interval",
               settings.least_step);
    require_finite_state(start);
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
    {
        const FixedEnvironment fixed_fpu;
        double u[input_count];
        input_values(in, u);
        interval_integration::Sensitivities sensitivities;
        sensitivities.parameters = request.input_sensitivity ? input_count : 0;
        sensitivities.parameter_scales = u;
        sensitivities.to_state = end.state_sensitivity;
        sensitivities.to_parameters = end.input_sensitivity;
        const bool sensitive = request.state_sensitivity || request.input_sensitivity;
        if (sensitive)
            settings.integration.max_steps = step_settings::max_steps_with_sensitivities;
        if (interval > 0.0) {
            result = interval_integration::integrate(
                model_rhs, model_domain, request.exact_jacobian ? model_jacobians : nullptr,
                &model, end.state, state_count, interval, settings.integration,
                sensitive ? &sensitivities : nullptr);
            name_the_edge(result, model, start[6], interval);
        }
        if (result.outcome == interval_integration::Outcome::Completed && request.end_outputs)
            evaluate_model(in, end.state, end.derivatives, &end.level, end.vapour_comp,
                           &end.temperature, &end.pressure);
    }
    if (result.outcome != interval_integration::Outcome::Completed) {
        const step_failure::Failure failure =
            step_failure::describe_failure(result, interval, model.limits);
        reject({module, 0, nullptr}, failure.mnemonic, "%s", failure.message);
    }
    end.statistics = result.statistics;
    return end;
}

}  // namespace step_vaporizer
