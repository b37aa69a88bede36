// CVODES over one interval (see interval_integration.h).
#include "interval_integration.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <cvodes/cvodes.h>
#include <nvector/nvector_serial.h>
#include <sundials/sundials_config.h>
#include <sunlinsol/sunlinsol_dense.h>
#include <sunmatrix/sunmatrix_dense.h>

namespace interval_integration {

namespace {

// What the callbacks need, handed to CVODE as user data.
struct RhsContext {
    RightHandSide rhs;
    DomainCheck domain;
    Jacobians jacobians;
    void *context;
    const Settings *settings;
    std::size_t n;
    std::size_t parameters;  // m, when sensitivities are wanted
    Result *result;
    bool exit_seen;  // a domain exit was recorded (in result->exit)
    // The exact derivatives at the state last asked for: CVODES may ask for
    // the sensitivities' rates at one state more than once, and they are
    // linear in the sensitivities.
    bool derivatives_known;
    double derivatives_at[max_size];
    double state_matrix[max_size * max_size];
    double parameter_matrix[max_size * max_parameters];
};

void record_exit(RhsContext &rc, double t, const double *y, int bound)
{
    DomainExit &exit = rc.result->exit;
    exit.time = t;
    exit.bound = bound;
    std::memcpy(exit.state, y, rc.n * sizeof(double));
    rc.exit_seen = true;
}

// The first non-finite of count values, or count when all are finite.
std::size_t first_nonfinite(const double *values, std::size_t count)
{
    std::size_t k = 0;
    while (k < count && std::isfinite(values[k]))
        ++k;
    return k;
}

// Checks rows x columns values (column-major, columns after first_column
// of what they belong to) for one that is not finite, and records the first
// as the exit at y. True when all are finite.
bool all_finite(RhsContext &rc, double t, const double *y, const double *values,
                std::size_t rows, std::size_t columns, Nonfinite what,
                std::size_t first_column = 0)
{
    const std::size_t k = first_nonfinite(values, rows * columns);
    if (k == rows * columns)
        return true;
    record_exit(rc, t, y, 0);
    DomainExit &exit = rc.result->exit;
    exit.what = what;
    exit.row = k % rows;
    exit.column = first_column + k / rows;
    exit.value = values[k];
    return false;
}

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

// The error weights with the relative tolerance applied to |y| up to each
// component's ceiling: 1 / (rtol min(|y|, ceiling) + atol), as CVODE forms
// 1 / (rtol |y| + atol) itself.
int capped_weights(N_Vector y, N_Vector weights, void *user_data)
{
    const auto *rc = static_cast<const RhsContext *>(user_data);
    const Settings &settings = *rc->settings;
    const double *in = N_VGetArrayPointer(y);
    double *out = N_VGetArrayPointer(weights);
    for (std::size_t i = 0; i < rc->n; ++i) {
        double magnitude = std::fabs(in[i]);
        if (settings.relative_ceiling[i] > 0.0)
            magnitude = std::min(magnitude, settings.relative_ceiling[i]);
        const double tolerance = settings.relative_tolerance * magnitude +
                                 settings.absolute_tolerance[settings.absolute_count == 1 ? 0 : i];
        if (!(tolerance > 0.0))
            return -1;
        out[i] = 1.0 / tolerance;
    }
    return 0;
}

bool any_ceiling(const Settings &settings, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        if (settings.relative_ceiling[i] > 0.0)
            return true;
    return false;
}

void keep_message(Result &result, const char *message)
{
    if (message == nullptr)
        return;
    std::strncpy(result.solver_message, message, sizeof result.solver_message - 1);
    result.solver_message[sizeof result.solver_message - 1] = '\0';
}

// CVODE reports failures through this handler instead of printing them; the
// last error's words are kept for the caller. (Warnings are switched off.)
#if SUNDIALS_VERSION_MAJOR >= 7
void record_message(int, const char *, const char *, const char *message, SUNErrCode,
                    void *user_data, SUNContext)
{
    keep_message(*static_cast<Result *>(user_data), message);
}
#else
void record_message(int error_code, const char *, const char *, char *message, void *user_data)
{
    if (error_code < 0)
        keep_message(*static_cast<Result *>(user_data), message);
}
#endif

// Owns every piece of solver memory and frees it on every path out.
struct Solver {
    SUNContext context = nullptr;
    N_Vector y = nullptr;
    N_Vector absolute_tolerance = nullptr;
    SUNMatrix jacobian = nullptr;
    SUNLinearSolver linear_solver = nullptr;
    void *memory = nullptr;
    int sensitivity_count = 0;
    N_Vector *sensitivities = nullptr;
    N_Vector *sensitivity_tolerances = nullptr;

    Solver() = default;
    Solver(const Solver &) = delete;
    Solver &operator=(const Solver &) = delete;
    ~Solver()
    {
        CVodeFree(&memory);
        SUNLinSolFree(linear_solver);
        SUNMatDestroy(jacobian);
        if (sensitivities != nullptr)
            N_VDestroyVectorArray(sensitivities, sensitivity_count);
        if (sensitivity_tolerances != nullptr)
            N_VDestroyVectorArray(sensitivity_tolerances, sensitivity_count);
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
    case CV_UNREC_RHSFUNC_ERR: return Outcome::LeftDomain;
    case CV_MEM_FAIL: return Outcome::OutOfMemory;
    default: return Outcome::SolverFailed;
    }
}

int create_context(SUNContext *context)
{
#if SUNDIALS_VERSION_MAJOR >= 7
    return SUNContext_Create(SUN_COMM_NULL, context);
#else
    return SUNContext_Create(nullptr, context);
#endif
}

// Failures come to record_message, never to the process's stderr.
int route_errors(Solver &s, Result &result)
{
#if SUNDIALS_VERSION_MAJOR >= 7
    int flag = SUNContext_ClearErrHandlers(s.context);
    if (flag == 0)
        flag = SUNContext_PushErrHandler(s.context, record_message, &result);
    return flag == 0 ? CV_SUCCESS : CV_MEM_FAIL;
#else
    return CVodeSetErrHandlerFn(s.memory, record_message, &result);
#endif
}

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

// Sets the solver up; false when SUNDIALS refused, with result.outcome set.
bool set_up(Solver &s, RhsContext &rc, const double *state, std::size_t n, double interval,
            const Settings &settings, const Sensitivities *sensitivities, Result &result)
{
    const auto length = static_cast<sunindextype>(n);
    result.outcome = Outcome::OutOfMemory;
    if (create_context(&s.context) != 0 || s.context == nullptr)
        return false;
    s.y = N_VNew_Serial(length, s.context);
    // The sensitivities are 28 vectors of 8: CVODES works on them as arrays,
    // and fused array operations save it one call per vector.
    if (s.y != nullptr && sensitivities != nullptr)
        N_VEnableFusedOps_Serial(s.y, SUNTRUE);
    s.jacobian = SUNDenseMatrix(length, length, s.context);
    s.memory = CVodeCreate(CV_BDF, s.context);
    if (s.y == nullptr || s.jacobian == nullptr || s.memory == nullptr)
        return false;
    std::memcpy(N_VGetArrayPointer(s.y), state, n * sizeof(double));
    s.linear_solver = SUNLinSol_Dense(s.y, s.jacobian, s.context);
    if (s.linear_solver == nullptr)
        return false;

    int flag = route_errors(s, result);
    // "t + h = t" cannot happen with the least step below; no warning is
    // printed in any case.
    if (flag == CV_SUCCESS)
        flag = CVodeSetMaxHnilWarns(s.memory, -1);
    if (flag == CV_SUCCESS)
        flag = CVodeInit(s.memory, cvode_rhs, 0.0, s.y);
    if (flag == CV_SUCCESS && any_ceiling(settings, n)) {
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
    if (flag == CV_SUCCESS && sensitivities != nullptr)
        flag = set_up_sensitivities(s, state, n, settings, *sensitivities);
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

void integrate_with_cvode(RhsContext &rc, double *state, std::size_t n, double interval,
                          const Settings &settings, const Sensitivities *sensitivities,
                          Result &result)
{
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
                  false, {}, {}, {}};
    if (interval < single_step_interval)
        single_step(rc, state, n, interval, sensitivities, result);
    else
        integrate_with_cvode(rc, state, n, interval, settings, sensitivities, result);
    return result;
}

}  // namespace interval_integration
