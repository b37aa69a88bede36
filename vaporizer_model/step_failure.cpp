#include "step_failure.h"

#include <cstdio>

namespace step_failure {

Failure describe_failure(const interval_integration::Result &r, double interval,
                         const vaporizer_model::DomainLimits &limits)
{
    using interval_integration::Outcome;
    Failure f{"solverFailed", {}};
    const char *cvode = r.solver_message[0] != '\0' ? r.solver_message : "no details";
    char *text = f.message;
    const std::size_t size = sizeof f.message;
    switch (r.outcome) {
    case Outcome::LeftDomain:
        f.mnemonic = "leftDomain";
        vaporizer_model::describe_domain_exit(text, size, r.exit.bound, r.exit.state, limits,
                                              r.exit.time, interval, r.exit.derivative,
                                              r.exit.value);
        break;
    case Outcome::TooMuchWork:
        f.mnemonic = "tooMuchWork";
        std::snprintf(text, size,
                      "CVODE took %ld steps and stopped at t = %g within the interval [0, %g] "
                      "(step size %g); split the interval, or raise MaxStep if it limits the step",
                      r.statistics.steps, r.time, interval, r.step);
        break;
    case Outcome::TooMuchAccuracy:
        f.mnemonic = "tooMuchAccuracy";
        std::snprintf(text, size,
                      "at t = %g within the interval [0, %g] the tolerances ask for more accuracy "
                      "than doubles hold; raise RelTol or AbsTol (CVODE: %s)",
                      r.time, interval, cvode);
        break;
    case Outcome::ErrorTestFailures:
        f.mnemonic = "errorTestFailures";
        std::snprintf(text, size,
                      "CVODE failed its error test repeatedly at t = %g within the interval "
                      "[0, %g] (step size %g): the solution cannot be followed there to the "
                      "tolerances (CVODE: %s)",
                      r.time, interval, r.step, cvode);
        break;
    case Outcome::ConvergenceFailures:
        f.mnemonic = "convergenceFailures";
        std::snprintf(text, size,
                      "CVODE's Newton iteration failed to converge repeatedly at t = %g within "
                      "the interval [0, %g] (step size %g) (CVODE: %s)",
                      r.time, interval, r.step, cvode);
        break;
    case Outcome::OutOfMemory:
        f.mnemonic = "outOfMemory";
        std::snprintf(text, size, "the solver's memory could not be allocated");
        break;
    case Outcome::Completed:
    case Outcome::SolverFailed:
        std::snprintf(text, size, "CVODE failed at t = %g within the interval [0, %g] (CVODE: %s)",
                      r.time, interval, cvode);
        break;
    }
    return f;
}

}  // namespace step_failure
