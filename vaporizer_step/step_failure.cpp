#include "step_failure.h"

#include <cstdio>

#include "domain_messages.h"
#include "floating_point_environment.h"

namespace step_failure {

namespace {

using interval_integration::Outcome;

// Every failure but leaving the domain: what happened, then where ("at t =
// ... within the interval ... (step size ...)"), then what to do about it
// where something helps, then CVODE's own words if it had any.
struct FailureText {
    Outcome outcome;
    const char *mnemonic;
    const char *what;  // may take the number of steps taken
    const char *advice;
};

constexpr FailureText failure_texts[] = {
    {Outcome::TooMuchWork, "tooMuchWork", "CVODE took %ld steps and stopped",
     "; split the interval, or raise MaxStep if it limits the step"},
    {Outcome::TooMuchAccuracy, "tooMuchAccuracy",
     "the tolerances ask for more accuracy than doubles hold", "; raise RelTol or AbsTol"},
    {Outcome::ErrorTestFailures, "errorTestFailures", "CVODE failed its error test repeatedly",
     ": the solution cannot be followed there to the tolerances"},
    {Outcome::ConvergenceFailures, "convergenceFailures",
     "CVODE's Newton iteration failed to converge repeatedly", ""},
    {Outcome::OutOfMemory, "outOfMemory", "the solver's memory could not be allocated", ""},
    {Outcome::SolverFailed, "solverFailed", "CVODE failed", ""},
};

}  // namespace

Failure describe_failure(const interval_integration::Result &r, double interval,
                         const vaporizer_model::DomainLimits &limits)
{
    const floating_point_environment::FixedPrintingEnvironment fixed_fpu;
    Failure f{"leftDomain", {}};
    if (r.outcome == Outcome::LeftDomain) {
        vaporizer_model::describe_domain_exit(f.message, sizeof f.message, r.exit, limits,
                                              interval);
        return f;
    }
    const FailureText *text = &failure_texts[5];
    for (const FailureText &candidate : failure_texts)
        if (candidate.outcome == r.outcome)
            text = &candidate;
    f.mnemonic = text->mnemonic;
    char what[128];
    std::snprintf(what, sizeof what, text->what, r.statistics.steps);
    const int used = std::snprintf(f.message, sizeof f.message,
                                   "%s at t = %g within the interval [0, %g] (step size %g)%s",
                                   what, r.time, interval, r.step, text->advice);
    if (r.solver_message[0] != '\0' && used > 0 && static_cast<std::size_t>(used) < sizeof f.message)
        std::snprintf(f.message + used, sizeof f.message - used, " (CVODE: %s)", r.solver_message);
    return f;
}

}  // namespace step_failure
