// CVODES over one interval (see interval_integration.h): the system's
// callbacks, the step loop, and the single explicit step of the tiniest
// intervals. Set-up, sensitivities and failure diagnosis have files of their
// own (integration_internals.h).
#include "interval_integration.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "integration_internals.h"

namespace interval_integration {

namespace internal {

// CVODE's right-hand side: the domain first, then the caller's f, counted
// and checked for finite derivatives. Either failure is recoverable (1):
// CVODE retries with a smaller step.
int cvode_rhs(sunrealtype t, N_Vector y, N_Vector ydot, void *user_data)
{
    auto *rc = static_cast<RhsContext *>(user_data);
    const double *in = N_VGetArrayPointer(y);
    const int bound = rc->domain(in, rc->context);
    if (bound != 0) {
        record_exit(*rc, t, in, bound);
        return 1;
    }
    double *out = N_VGetArrayPointer(ydot);
    rc->rhs(in, out, rc->context);
    ++rc->result->statistics.rhs_evaluations;
    return all_finite(*rc, t, in, out, rc->n, 1, Nonfinite::Rate) ? 0 : 1;
}

// The Newton iteration's matrix from the system's exact df/dy; a trial state
// outside the domain, or a matrix that is not finite (which would make every
// Newton iterate NaN), is a recoverable failure, as in the right-hand side.
int cvode_jacobian(sunrealtype t, N_Vector y, N_Vector, SUNMatrix jacobian, void *user_data,
                   N_Vector, N_Vector, N_Vector)
{
    auto *rc = static_cast<RhsContext *>(user_data);
    const double *in = N_VGetArrayPointer(y);
    if (rc->domain(in, rc->context) != 0)
        return 1;
    // A dense SUNMatrix holds its columns one after the other, as column-major.
    double *matrix = SUNDenseMatrix_Data(jacobian);
    rc->jacobians(in, matrix, nullptr, rc->context);
    return all_finite(*rc, t, in, matrix, rc->n, rc->n, Nonfinite::Jacobian) ? 0 : 1;
}

}  // namespace internal

namespace {

using namespace internal;

// What step_to_end() returns for an accepted state outside the domain; no
// CVODE flag has this value.
constexpr int accepted_outside_domain = 1000;

// Step by step to the end, each step at least least_step(t). Returns the
// CVODE flag that ended it: CV_TSTOP_RETURN at the end, negative on failure,
// CV_TOO_MUCH_WORK after max_steps, or accepted_outside_domain (the state
// recorded in rc).
int step_to_end(Solver &s, RhsContext &rc, double interval, const Settings &settings,
                Result &result)
{
    // In one-step mode the time handed to CVode only scales CVODE's estimate
    // of the first step, from a trial step up to a tenth of that time. No
    // step exceeds max_step, so a scale beyond ten of them gains nothing and,
    // for intervals of 1e150 and more, makes trial steps whose states only
    // rounding decides (and overflows near the largest double).
    const double first_step_scale = std::min({interval, 10.0 * settings.max_step, 1e150});
    sunrealtype t = 0.0;
    for (long steps = 0; steps < settings.max_steps; ++steps) {
        int flag = CVodeSetMinStep(s.memory, least_step(t));
        if (flag == CV_SUCCESS)
            flag = CVode(s.memory, first_step_scale, s.y, &t, CV_ONE_STEP);
        if (flag < 0)
            return flag;
        const double *y = N_VGetArrayPointer(s.y);
        const int bound = rc.domain(y, rc.context);
        if (bound != 0) {
            record_exit(rc, t, y, bound);
            result.time = t;
            return accepted_outside_domain;
        }
        if (flag == CV_TSTOP_RETURN)
            return flag;
    }
    return CV_TOO_MUCH_WORK;
}

void integrate_with_cvode(RhsContext &rc, double *state, std::size_t n, double interval,
                          const Settings &settings, const Sensitivities *sensitivities,
                          Result &result)
{
    const AugmentedNorms norms(rc);
    Solver s;
    if (!set_up(s, rc, state, n, interval, settings, sensitivities, result))
        return;

    const int flag = step_to_end(s, rc, interval, settings, result);
    collect_statistics(s.memory, result.statistics);
    CVodeGetCurrentStep(s.memory, &result.step);
    if (flag == CV_TSTOP_RETURN) {
        result.time = interval;
        if (sensitivities != nullptr && !collect_sensitivities(s, rc, interval, *sensitivities)) {
            result.outcome = Outcome::LeftDomain;
            return;
        }
        result.outcome = Outcome::Completed;
        std::memcpy(state, N_VGetArrayPointer(s.y), n * sizeof(double));
        return;
    }
    if (flag == accepted_outside_domain) {
        result.outcome = Outcome::LeftDomain;
        result.exit_accepted = true;
        return;
    }
    CVodeGetCurrentTime(s.memory, &result.time);
    std::memcpy(result.reached, N_VGetArrayPointer(s.y), n * sizeof(double));
    result.outcome = outcome_of(flag);
    // CVODE retries a step whose trial states leave the domain, and when no
    // smaller step helps it may call that an error test or convergence
    // failure. If the failing step met the domain's edge (after the last
    // step it accepted, at result.time), that is the cause.
    if (rc.exit_seen && result.exit.time >= result.time)
        result.outcome = Outcome::LeftDomain;
}

// One explicit Euler step over an interval below single_step_interval, and
// its sensitivities, I + interval df/dy and interval df/dp.
void single_step(RhsContext &rc, double *state, std::size_t n, double interval,
                 const Sensitivities *sensitivities, Result &result)
{
    double rates[max_size];
    rc.rhs(state, rates, rc.context);
    result.statistics.rhs_evaluations = 1;
    result.outcome = Outcome::LeftDomain;
    if (!all_finite(rc, 0.0, state, rates, n, 1, Nonfinite::Rate))
        return;
    double end[max_size];
    for (std::size_t i = 0; i < n; ++i)
        end[i] = state[i] + interval * rates[i];
    const int bound = rc.domain(end, rc.context);
    if (bound != 0) {
        record_exit(rc, interval, end, bound);
        result.time = interval;
        return;
    }
    if (sensitivities != nullptr) {
        const std::size_t m = sensitivities->parameters;
        double *parameter_matrix = m > 0 ? sensitivities->to_parameters : nullptr;
        rc.jacobians(state, sensitivities->to_state, parameter_matrix, rc.context);
        // The derivatives, not the sensitivities, would overflow: interval
        // is below 1e-100.
        if (!all_finite(rc, 0.0, state, sensitivities->to_state, n, n, Nonfinite::Jacobian) ||
            !all_finite(rc, 0.0, state, parameter_matrix, n, m, Nonfinite::Jacobian, n))
            return;
        for (std::size_t k = 0; k < n * n; ++k)
            sensitivities->to_state[k] = (k % (n + 1) == 0 ? 1.0 : 0.0) +
                                         interval * sensitivities->to_state[k];
        for (std::size_t k = 0; parameter_matrix != nullptr && k < n * sensitivities->parameters;
             ++k)
            parameter_matrix[k] = interval * parameter_matrix[k];
    }
    std::memcpy(state, end, n * sizeof(double));
    result.statistics.steps = 1;
    result.outcome = Outcome::Completed;
    result.time = interval;
}

}  // namespace

Result integrate(RightHandSide rhs, DomainCheck domain, Jacobians jacobians, void *context,
                 double *state, std::size_t n, double interval, const Settings &settings,
                 const Sensitivities *sensitivities)
{
    Result result;
    if (jacobians == nullptr)
        sensitivities = nullptr;
    RhsContext rc{rhs, domain, jacobians, context, &settings, n,
                  sensitivities != nullptr ? sensitivities->parameters : 0, &result, false,
                  sensitivities != nullptr ? n + sensitivities->parameters : 0,
                  sensitivities != nullptr && sensitivities->error_control, {}, false, {}, {},
                  {}};
    if (interval < single_step_interval)
        single_step(rc, state, n, interval, sensitivities, result);
    else
        integrate_with_cvode(rc, state, n, interval, settings, sensitivities, result);
    return result;
}

}  // namespace interval_integration
