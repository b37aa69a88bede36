// Failure diagnosis: what was not finite, where the solution left the
// domain, and how a CVODE flag and its message reach the caller.
#include "integration_internals.h"

#include <cmath>
#include <cstring>

namespace interval_integration {
namespace internal {

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
                std::size_t first_column)
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

namespace {

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

}  // namespace

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

}  // namespace internal
}  // namespace interval_integration
