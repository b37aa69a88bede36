// CVODE over one interval (see interval_integration.h).
#include "interval_integration.h"

#include <cmath>
#include <cstring>

#include <cvode/cvode.h>
#include <nvector/nvector_serial.h>
#include <sunlinsol/sunlinsol_dense.h>
#include <sunmatrix/sunmatrix_dense.h>

namespace interval_integration {

namespace {

// What the right-hand side wrapper needs, handed to CVODE as user data.
struct RhsContext {
    RightHandSide rhs;
    void *context;
    std::size_t n;
    Result *result;
    bool nonfinite_seen;
};

// CVODE's right-hand side: the caller's f, counted, and checked for finite
// derivatives. A non-finite one is a recoverable failure (1): CVODE retries
// with a smaller step, which helps when only a trial point left the region
// where f is defined.
int cvode_rhs(realtype t, N_Vector y, N_Vector ydot, void *user_data)
{
    auto *rc = static_cast<RhsContext *>(user_data);
    const double *in = N_VGetArrayPointer(y);
    double *out = N_VGetArrayPointer(ydot);
    rc->rhs(in, out, rc->context);
    ++rc->result->statistics.rhs_evaluations;
    for (std::size_t k = 0; k < rc->n; ++k) {
        if (!std::isfinite(out[k])) {
            rc->nonfinite_seen = true;
            rc->result->nonfinite_time = t;
            rc->result->nonfinite_index = k;
            rc->result->nonfinite_value = out[k];
            return 1;
        }
    }
    return 0;
}

// CVODE reports failures through this handler instead of printing them.
// Warnings are dropped; the last error's words are kept for the caller.
void record_message(int error_code, const char *, const char *, char *message, void *user_data)
{
    if (error_code >= 0 || message == nullptr)
        return;
    char *kept = static_cast<Result *>(user_data)->solver_message;
    std::strncpy(kept, message, sizeof Result::solver_message - 1);
    kept[sizeof Result::solver_message - 1] = '\0';
}

// Owns every piece of solver memory and frees it on every path out.
struct Solver {
    SUNContext context = nullptr;
    N_Vector y = nullptr;
    N_Vector absolute_tolerance = nullptr;
    SUNMatrix jacobian = nullptr;
    SUNLinearSolver linear_solver = nullptr;
    void *memory = nullptr;

    Solver() = default;
    Solver(const Solver &) = delete;
    Solver &operator=(const Solver &) = delete;
    ~Solver()
    {
        CVodeFree(&memory);
        SUNLinSolFree(linear_solver);
        SUNMatDestroy(jacobian);
        N_VDestroy(absolute_tolerance);
        N_VDestroy(y);
        SUNContext_Free(&context);
    }
};

Outcome outcome_of(int flag)
{
    switch (flag) {
    case CV_TOO_MUCH_WORK: return Outcome::TooMuchWork;
    case CV_TOO_MUCH_ACC: return Outcome::TooMuchAccuracy;
    case CV_ERR_FAILURE: return Outcome::ErrorTestFailures;
    case CV_CONV_FAILURE: return Outcome::ConvergenceFailures;
    case CV_RHSFUNC_FAIL:
    case CV_FIRST_RHSFUNC_ERR:
    case CV_REPTD_RHSFUNC_ERR:
    case CV_UNREC_RHSFUNC_ERR: return Outcome::RhsNotFinite;
    case CV_MEM_FAIL: return Outcome::OutOfMemory;
    default: return Outcome::SolverFailed;
    }
}

// Sets the solver up; false when SUNDIALS refused, with result.outcome set.
bool set_up(Solver &s, RhsContext &rc, const double *state, std::size_t n, double interval,
            const Settings &settings, Result &result)
{
    const auto length = static_cast<sunindextype>(n);
    result.outcome = Outcome::OutOfMemory;
    if (SUNContext_Create(nullptr, &s.context) != 0 || s.context == nullptr)
        return false;
    s.y = N_VNew_Serial(length, s.context);
    s.jacobian = SUNDenseMatrix(length, length, s.context);
    s.memory = CVodeCreate(CV_BDF, s.context);
    if (s.y == nullptr || s.jacobian == nullptr || s.memory == nullptr)
        return false;
    std::memcpy(N_VGetArrayPointer(s.y), state, n * sizeof(double));
    s.linear_solver = SUNLinSol_Dense(s.y, s.jacobian, s.context);
    if (s.linear_solver == nullptr)
        return false;

    int flag = CVodeSetErrHandlerFn(s.memory, record_message, &result);
    if (flag == CV_SUCCESS)
        flag = CVodeInit(s.memory, cvode_rhs, 0.0, s.y);
    if (flag == CV_SUCCESS && settings.absolute_count == 1) {
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
    if (flag == CV_SUCCESS)
        flag = CVodeSetMaxStep(s.memory, settings.max_step);
    if (flag == CV_SUCCESS && settings.min_step > 0.0)
        flag = CVodeSetMinStep(s.memory, settings.min_step);
    if (flag == CV_SUCCESS && settings.initial_step > 0.0)
        flag = CVodeSetInitStep(s.memory, settings.initial_step);
    if (flag == CV_SUCCESS)
        flag = CVodeSetMaxNumSteps(s.memory, settings.max_steps);
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

}  // namespace

Result integrate(RightHandSide rhs, void *context, double *state, std::size_t n, double interval,
                 const Settings &settings)
{
    Result result;
    RhsContext rc{rhs, context, n, &result, false};
    {
        Solver s;
        if (!set_up(s, rc, state, n, interval, settings, result))
            return result;

        realtype reached = 0.0;
        const int flag = CVode(s.memory, interval, s.y, &reached, CV_NORMAL);
        collect_statistics(s.memory, result.statistics);
        CVodeGetCurrentTime(s.memory, &result.time);
        CVodeGetCurrentStep(s.memory, &result.step);
        if (flag >= 0) {
            result.outcome = Outcome::Completed;
            result.time = reached;
            std::memcpy(state, N_VGetArrayPointer(s.y), n * sizeof(double));
        } else {
            result.outcome = outcome_of(flag);
            // CVODE retries a step whose derivatives are not finite, and
            // when no smaller step helps it may call that an error test or
            // convergence failure. If the failing step met a non-finite
            // derivative (after the last step it accepted, at result.time),
            // that is the cause to report.
            if (rc.nonfinite_seen && result.nonfinite_time >= result.time)
                result.outcome = Outcome::RhsNotFinite;
        }
    }
    return result;
}

}  // namespace interval_integration
