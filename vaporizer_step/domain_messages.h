// The words for the model's domain in vaporizer_step's errors: why a
// starting state lies outside it, and how an integration left it. Kept apart
// from the domain's mathematics (model_domain.h), which they only read.
// Every number is printed as the hosts print it (NaN, Inf), in the fixed
// floating-point environment whatever the caller's rounding, and each text
// names the bound actually crossed, or what was not finite.
#ifndef MEX_SUITE_DOMAIN_MESSAGES_H
#define MEX_SUITE_DOMAIN_MESSAGES_H

#include <cstddef>

#include "interval_integration.h"
#include "model_domain.h"

namespace vaporizer_model {

// "the level fell to ... at t = ... within the interval [0, 3000]: the
// vessel ran dry": how the solution left the domain, for an exit the
// integration recorded.
void describe_domain_exit(char *text, std::size_t size, const interval_integration::DomainExit &exit,
                          const DomainLimits &limits, double interval);

// "the level (element 7) is -0.1; it must be above 0": why a starting state
// lies outside, for a code of domain_exit().
void describe_outside_state(char *text, std::size_t size, int code, const double *state,
                            const DomainLimits &limits);

}  // namespace vaporizer_model

#endif
