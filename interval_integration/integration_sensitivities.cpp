// Forward sensitivities: their equations from the exact derivatives, their
// start and tolerances, and their values at the end of the interval.
#include "integration_internals.h"

#include <cmath>
#include <cstring>

namespace interval_integration {
namespace internal {

namespace {

// The sensitivity equations, s' = (df/dy) s for the start state's and
// s' = (df/dy) s + df/dp for each parameter's, from the exact derivatives at
// y (where f was just evaluated, inside the domain).
int cvode_sensitivities(int count, sunrealtype t, N_Vector y, N_Vector,
                        N_Vector *sensitivities, N_Vector *rates, void *user_data, N_Vector,
                        N_Vector)
{
    auto *rc = static_cast<RhsContext *>(user_data);
    const std::size_t n = rc->n;
    const double *at = N_VGetArrayPointer(y);
    if (!rc->derivatives_known || std::memcmp(at, rc->derivatives_at, n * sizeof(double)) != 0) {
        rc->derivatives_known = false;
        rc->jacobians(at, rc->state_matrix, rc->parameters > 0 ? rc->parameter_matrix : nullptr,
                      rc->context);
        if (!all_finite(*rc, t, at, rc->state_matrix, n, n, Nonfinite::Jacobian) ||
            !all_finite(*rc, t, at, rc->parameter_matrix, n, rc->parameters, Nonfinite::Jacobian,
                        n))
            return 1;
        std::memcpy(rc->derivatives_at, at, n * sizeof(double));
        rc->derivatives_known = true;
    }
    const double *state_matrix = rc->state_matrix;
    const double *parameter_matrix = rc->parameter_matrix;
    for (int k = 0; k < count; ++k) {
        const double *s = N_VGetArrayPointer(sensitivities[k]);
        double *ds = N_VGetArrayPointer(rates[k]);
        const std::size_t parameter = static_cast<std::size_t>(k) - n;
        for (std::size_t i = 0; i < n; ++i) {
            double sum = static_cast<std::size_t>(k) < n ? 0.0 : parameter_matrix[i + n * parameter];
            for (std::size_t j = 0; j < n; ++j)
                sum += state_matrix[i + n * j] * s[j];
            ds[i] = sum;
        }
    }
    return 0;
}

}  // namespace

// The sensitivities start as the identity (to the start state) and zero (to
// the parameters). Their absolute tolerances are the state's, divided by the
// magnitude of what they are taken with respect to, so that a sensitivity
// times a typical change of its start element or parameter is held to the
// state's own accuracy.
int set_up_sensitivities(Solver &s, const double *state, std::size_t n, const Settings &settings,
                         const Sensitivities &wanted)
{
    s.sensitivity_count = static_cast<int>(n + wanted.parameters);
    s.sensitivities = N_VCloneVectorArray(s.sensitivity_count, s.y);
    s.sensitivity_tolerances = N_VCloneVectorArray(s.sensitivity_count, s.y);
    if (s.sensitivities == nullptr || s.sensitivity_tolerances == nullptr)
        return CV_MEM_FAIL;
    for (int k = 0; k < s.sensitivity_count; ++k) {
        const std::size_t column = static_cast<std::size_t>(k);
        double *start = N_VGetArrayPointer(s.sensitivities[k]);
        double *tolerance = N_VGetArrayPointer(s.sensitivity_tolerances[k]);
        double magnitude = column < n ? std::fabs(state[column])
                                      : std::fabs(wanted.parameter_scales[column - n]);
        if (!(magnitude > 0.0))
            magnitude = 1.0;
        for (std::size_t i = 0; i < n; ++i) {
            start[i] = i == column ? 1.0 : 0.0;
            const double absolute = settings.absolute_tolerance[settings.absolute_count == 1 ? 0 : i];
            tolerance[i] = absolute / magnitude;
        }
    }
    // The state and its sensitivities corrected together: fewer calls over
    // the 28 small vectors than correcting the sensitivities after the state.
    int flag = CVodeSensInit(s.memory, s.sensitivity_count, CV_SIMULTANEOUS, cvode_sensitivities,
                             s.sensitivities);
    if (flag == CV_SUCCESS)
        flag = CVodeSensSVtolerances(s.memory, settings.relative_tolerance,
                                     s.sensitivity_tolerances);
    if (flag == CV_SUCCESS)
        flag = CVodeSetSensErrCon(s.memory, SUNTRUE);
    return flag;
}

// The sensitivities at the end of the interval into the caller's matrices;
// false, with the exit recorded, when one is not finite.
bool collect_sensitivities(Solver &s, RhsContext &rc, double interval,
                           const Sensitivities &wanted)
{
    const std::size_t n = rc.n;
    sunrealtype reached = 0.0;
    CVodeGetSens(s.memory, &reached, s.sensitivities);
    for (int k = 0; k < s.sensitivity_count; ++k) {
        const std::size_t column = static_cast<std::size_t>(k);
        double *into = column < n ? wanted.to_state + n * column
                                  : wanted.to_parameters + n * (column - n);
        const double *sensitivity = N_VGetArrayPointer(s.sensitivities[k]);
        if (!all_finite(rc, interval, N_VGetArrayPointer(s.y), sensitivity, n, 1,
                        Nonfinite::Sensitivity, column))
            return false;
        std::memcpy(into, sensitivity, n * sizeof(double));
    }
    return true;
}

}  // namespace internal
}  // namespace interval_integration
