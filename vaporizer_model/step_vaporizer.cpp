#include "step_vaporizer.h"

#include <cmath>
#include <cstring>

#include "floating_point_environment.h"
#include "model_domain.h"
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
                bool evaluate_end)
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
    interval_integration::Result result;
    result.outcome = interval_integration::Outcome::Completed;  // an interval of 0 has no steps
    {
        const FixedEnvironment fixed_fpu;
        if (interval > 0.0) {
            result = interval_integration::integrate(model_rhs, model_domain, &model, end.state,
                                                     state_count, interval, settings.integration);
            name_the_edge(result, model, start[6], interval);
        }
        if (result.outcome == interval_integration::Outcome::Completed && evaluate_end)
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
