// Advances a small autonomous ODE system dy/dt = f(y) over one interval with
// CVODES: variable-order BDF, Newton iterations, dense direct linear solver
// on the system's exact Jacobian (or difference quotients where it gives
// none), and, when asked, the forward sensitivities of the end state to the
// start state and to parameters held over the interval. This is the
// integration of a sampled loop between two samples, where every input is
// held constant.
//
// The system has a domain: the states where f means something. A trial
// state outside it, or one where f is not finite, is a recoverable failure:
// CVODE retries with a smaller step, which helps when only a trial point
// overshot. When no smaller step helps, the solution itself leaves the
// domain, and that is the outcome reported, whatever CVODE's own failure
// (error test, convergence, repeated right-hand side failures) looked like.
// No state outside the domain is ever returned as a result.
//
// Only this file's implementation talks to SUNDIALS (6 or 7). It includes no
// host header and never calls the host: every outcome comes back as a value,
// and all solver memory is freed before integrate() returns, so a caller may
// end the call through the host's error call at once.
#ifndef MEX_SUITE_INTERVAL_INTEGRATION_H
#define MEX_SUITE_INTERVAL_INTEGRATION_H

#include <cfloat>
#include <cstddef>

namespace interval_integration {

// The largest system integrate() takes, and the most parameters (enough
// for every operating input and property element of the vaporizer).
constexpr std::size_t max_size = 8;
constexpr std::size_t max_parameters = 200;

// Writes dy/dt at y into dydt (n values each). Called only at states inside
// the domain; the integrator checks that every derivative is finite.
using RightHandSide = void (*)(const double *y, double *dydt, void *context);

// 0 when y lies inside the system's domain, otherwise a positive code that
// names the bound it lies beyond (the caller's own numbering).
using DomainCheck = int (*)(const double *y, void *context);

// The exact derivatives of f at y (inside the domain), column-major:
// df/dy (n x n) into state_matrix and, when parameter_matrix is not null,
// df/dp (n x m) for the m parameters of the sensitivities.
using Jacobians = void (*)(const double *y, double *state_matrix, double *parameter_matrix,
                           void *context);

// Forward sensitivities: d y(end) / d y(start), n x n, and d y(end) / dp,
// n x m, for m parameters held over the interval, integrated with the state
// on its steps. With error control they take part in the error test and the
// Newton iteration's convergence test: each sensitivity times the typical
// magnitude of its start element or parameter is held to the state's
// tolerances. Without, the steps are the state's alone, fewer where the
// sensitivities vary faster than the state, and the state comes out with
// the bits of an integration without sensitivities.
struct Sensitivities {
    std::size_t parameters = 0;                // m
    const double *parameter_scales = nullptr;  // m typical magnitudes (0: 1)
    double *to_state = nullptr;                // out: n x n, column-major
    double *to_parameters = nullptr;           // out: n x m, column-major
    bool error_control = true;
};

struct Settings {
    double relative_tolerance;                // > 0
    double absolute_tolerance[max_size];      // absolute_count values, each > 0
    std::size_t absolute_count;               // 1 (for every component) or n
    double max_step;                  // >= least_step(interval); infinity for no limit
    double initial_step;              // in [least_step(interval), max_step], or 0 to let CVODE choose
    long max_steps;                   // steps allowed for the whole interval
    // Where relative_ceiling[i] > 0, the relative tolerance applies to
    // min(|y[i]|, relative_ceiling[i]) instead of |y[i]|: a component that
    // falls far within the interval is then held to its accuracy where it
    // ends, and the error made while it was large does not swamp it once it
    // is small. 0 (the default) for plain relative control.
    double relative_ceiling[max_size] = {};
};

// A step at time t must be at least 16 eps t, as in the host's stiff
// solvers: a smaller one cannot advance t reliably. At the end of the
// interval that is this bound; no step may be limited below it.
inline double least_step(double interval) { return 16.0 * DBL_EPSILON * interval; }

// Below this interval one explicit Euler step is the solution to the last
// bit that matters: its error is a fraction interval * |df/dy| of the change,
// and CVODE's own first-step estimate underflows for intervals this small.
constexpr double single_step_interval = 1e-100;

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
    LeftDomain,           // the solution left the domain, or f, df/dy or the
                          // sensitivities turned non-finite on it
    TooMuchWork,          // max_steps taken before the end of the interval
    TooMuchAccuracy,      // the tolerances ask for more than doubles hold
    ErrorTestFailures,    // the local error test failed repeatedly
    ConvergenceFailures,  // the Newton iteration failed to converge repeatedly
    OutOfMemory,
    SolverFailed,         // anything else CVODE reports
};

// What was not finite where the domain check found nothing (bound 0).
enum class Nonfinite {
    Rate,         // f: row is the element
    Jacobian,     // df/dy: row and column
    Sensitivity,  // an end sensitivity: row, and column (start element, then parameter)
};

// Where and how the solution left the domain.
struct DomainExit {
    double time = 0.0;
    int bound = 0;              // the DomainCheck's code; 0 for something not finite
    Nonfinite what = Nonfinite::Rate;  // bound 0: what was not finite
    std::size_t row = 0;        // bound 0: its first non-finite element (zero-based)
    std::size_t column = 0;
    double value = 0.0;         // bound 0: its value
    double state[max_size] = {};  // the state found outside (or where f was not finite)
};

struct Result {
    Outcome outcome = Outcome::SolverFailed;
    double time = 0.0;             // where the integration stopped
    double step = 0.0;             // the step size last tried there
    Statistics statistics;
    DomainExit exit;               // for LeftDomain
    bool exit_accepted = false;    // the exit is a state CVODE accepted (at time)
    double reached[max_size] = {};  // on a failure, the state accepted last (at time)
    char solver_message[256] = {};  // CVODE's own words on a failure, if any
};

// Integrates from t = 0 to t = interval (> 0) starting at state[0 .. n-1]
// (n <= max_size, inside the domain), and on success leaves the end state
// there, inside the domain. The step never passes the end of the interval,
// so f is evaluated only at times within it. On failure the state is left as
// it was. jacobians may be null (difference quotients, no sensitivities);
// sensitivities may be null (none wanted).
Result integrate(RightHandSide rhs, DomainCheck domain, Jacobians jacobians, void *context,
                 double *state, std::size_t n, double interval, const Settings &settings,
                 const Sensitivities *sensitivities = nullptr);

}  // namespace interval_integration

#endif
