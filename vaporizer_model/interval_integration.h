// Advances a small autonomous ODE system dy/dt = f(y) over one interval with
// CVODE: variable-order BDF, Newton iterations, dense direct linear solver
// with a difference-quotient Jacobian. This is the integration of a sampled
// loop between two samples, where every input is held constant.
//
// Only this file's implementation talks to SUNDIALS. It includes no host
// header and never calls the host: every outcome comes back as a value, and
// all solver memory is freed before integrate() returns, so a caller may end
// the call through the host's error call at once.
#ifndef MEX_SUITE_INTERVAL_INTEGRATION_H
#define MEX_SUITE_INTERVAL_INTEGRATION_H

#include <cstddef>

namespace interval_integration {

// Writes dy/dt at y into dydt (n values each). The integrator checks that
// every derivative is finite; a non-finite one makes it retry with a smaller
// step, and fail when that does not help.
using RightHandSide = void (*)(const double *y, double *dydt, void *context);

struct Settings {
    double relative_tolerance;        // > 0
    const double *absolute_tolerance; // absolute_count values, each > 0
    std::size_t absolute_count;       // 1 (for every component) or n
    double max_step;                  // > 0, infinity for no limit
    double min_step;                  // >= 0: a step that must shrink below it fails
    double initial_step;              // > 0, or 0 to let CVODE choose it
    long max_steps;                   // steps allowed for the whole interval
};

struct Statistics {
    long steps = 0;
    long failed_steps = 0;            // error test failures
    long rhs_evaluations = 0;         // every call of f, the Jacobian's included
    long jacobian_evaluations = 0;
    long nonlinear_iterations = 0;
    long convergence_failures = 0;    // of the nonlinear iteration
};

enum class Outcome {
    Completed,
    RhsNotFinite,         // the failing step met a non-finite derivative
    TooMuchWork,          // max_steps taken before the end of the interval
    TooMuchAccuracy,      // the tolerances ask for more than doubles hold
    ErrorTestFailures,    // the local error test failed repeatedly
    ConvergenceFailures,  // the Newton iteration failed to converge repeatedly
    OutOfMemory,
    SolverFailed,         // anything else CVODE reports
};

struct Result {
    Outcome outcome = Outcome::SolverFailed;
    double time = 0.0;             // where the integration stopped
    double step = 0.0;             // the step size last tried there
    Statistics statistics;
    // For RhsNotFinite: where f was last evaluated non-finite, and the first
    // non-finite derivative there (zero-based) and its value.
    double nonfinite_time = 0.0;
    std::size_t nonfinite_index = 0;
    double nonfinite_value = 0.0;
    char solver_message[256] = {};  // CVODE's own words on a failure, if any
};

// Integrates from t = 0 to t = interval (> 0) starting at state[0 .. n-1],
// and on success leaves the end state there. The step never passes the end
// of the interval, so f is evaluated only at times within it. On failure the
// state is left as it was.
Result integrate(RightHandSide rhs, void *context, double *state, std::size_t n, double interval,
                 const Settings &settings);

}  // namespace interval_integration

#endif
