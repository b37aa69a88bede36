// Set-up and tolerances: the solver memory, the error weights, every
// setting handed to CVODE.
#include "integration_internals.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace interval_integration {
namespace internal {

namespace {

// The error weights with the relative tolerance applied to |y| up to each
// component's ceiling.
int capped_weights(N_Vector y, N_Vector weights, void *user_data)
{
    return state_weights(*static_cast<const RhsContext *>(user_data), N_VGetArrayPointer(y),
                         N_VGetArrayPointer(weights));
}

bool any_ceiling(const Settings &settings, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        if (settings.relative_ceiling[i] > 0.0)
            return true;
    return false;
}

int create_context(SUNContext *context)
{
#if SUNDIALS_VERSION_MAJOR >= 7
    return SUNContext_Create(SUN_COMM_NULL, context);
#else
    return SUNContext_Create(nullptr, context);
#endif
}

}  // namespace

int state_weights(const RhsContext &rc, const double *y, double *weights)
{
    const Settings &settings = *rc.settings;
    for (std::size_t i = 0; i < rc.n; ++i) {
        double magnitude = std::fabs(y[i]);
        if (settings.relative_ceiling[i] > 0.0)
            magnitude = std::min(magnitude, settings.relative_ceiling[i]);
        const double tolerance = settings.relative_tolerance * magnitude +
                                 settings.absolute_tolerance[settings.absolute_count == 1 ? 0 : i];
        if (!(tolerance > 0.0))
            return -1;
        weights[i] = 1.0 / tolerance;
    }
    return 0;
}

// Sets the solver up; false when SUNDIALS refused, with result.outcome set.
bool set_up(Solver &s, RhsContext &rc, const double *state, std::size_t n, double interval,
            const Settings &settings, const Sensitivities *sensitivities, Result &result)
{
    const auto length = static_cast<sunindextype>(n);
    const bool augmented = rc.columns > 0;
    result.outcome = Outcome::OutOfMemory;
    if (create_context(&s.context) != 0 || s.context == nullptr)
        return false;
    s.y = N_VNew_Serial(length * static_cast<sunindextype>(1 + rc.columns), s.context);
    s.jacobian = SUNDenseMatrix(length, length, s.context);
    s.memory = CVodeCreate(CV_BDF, s.context);
    if (s.y == nullptr || s.jacobian == nullptr || s.memory == nullptr)
        return false;
    std::memcpy(N_VGetArrayPointer(s.y), state, n * sizeof(double));
    if (augmented)
        start_augmented(rc, s.y, *sensitivities);
    s.linear_solver = augmented ? block_lu_solver(s.block_lu, n, 1 + rc.columns, s.context)
                                : SUNLinSol_Dense(s.y, s.jacobian, s.context);
    if (s.linear_solver == nullptr)
        return false;

    int flag = route_errors(s, result);
    // "t + h = t" cannot happen with the least step below; no warning is
    // printed in any case.
    if (flag == CV_SUCCESS)
        flag = CVodeSetMaxHnilWarns(s.memory, -1);
    if (flag == CV_SUCCESS)
        flag = CVodeInit(s.memory, augmented ? augmented_rhs : cvode_rhs, 0.0, s.y);
    if (flag == CV_SUCCESS && augmented) {
        flag = CVodeWFtolerances(s.memory, augmented_weights);
    } else if (flag == CV_SUCCESS && any_ceiling(settings, n)) {
        flag = CVodeWFtolerances(s.memory, capped_weights);
    } else if (flag == CV_SUCCESS && settings.absolute_count == 1) {
        flag = CVodeSStolerances(s.memory, settings.relative_tolerance,
                                 settings.absolute_tolerance[0]);
    } else if (flag == CV_SUCCESS) {
        s.absolute_tolerance = N_VNew_Serial(length, s.context);
        if (s.absolute_tolerance == nullptr)
            return false;
        std::memcpy(N_VGetArrayPointer(s.absolute_tolerance), settings.absolute_tolerance,
                    n * sizeof(double));
        flag = CVodeSVtolerances(s.memory, settings.relative_tolerance, s.absolute_tolerance);
    }
    if (flag == CV_SUCCESS)
        flag = CVodeSetUserData(s.memory, &rc);
    if (flag == CV_SUCCESS)
        flag = CVodeSetLinearSolver(s.memory, s.linear_solver, s.jacobian);
    if (flag == CV_SUCCESS && rc.jacobians != nullptr)
        flag = CVodeSetJacFn(s.memory, cvode_jacobian);
    if (flag == CV_SUCCESS)
        flag = CVodeSetMaxStep(s.memory, settings.max_step);
    if (flag == CV_SUCCESS && settings.initial_step > 0.0)
        flag = CVodeSetInitStep(s.memory, settings.initial_step);
    // Never step past the end: f is evaluated only within the interval.
    if (flag == CV_SUCCESS)
        flag = CVodeSetStopTime(s.memory, interval);
    result.outcome = flag == CV_SUCCESS ? Outcome::Completed : outcome_of(flag);
    return flag == CV_SUCCESS;
}

void collect_statistics(void *memory, Statistics &statistics)
{
    CVodeGetNumSteps(memory, &statistics.steps);
    CVodeGetNumErrTestFails(memory, &statistics.failed_steps);
    CVodeGetNumJacEvals(memory, &statistics.jacobian_evaluations);
    CVodeGetNumNonlinSolvIters(memory, &statistics.nonlinear_iterations);
    CVodeGetNumNonlinSolvConvFails(memory, &statistics.convergence_failures);
}

}  // namespace internal
}  // namespace interval_integration
