// What a failed integration of vaporizer_step tells its caller: one
// mnemonic per cause and a message that says at what time within the
// interval it happened and why. Host-free: every host raises these.
#ifndef MEX_SUITE_STEP_FAILURE_H
#define MEX_SUITE_STEP_FAILURE_H

#include "interval_integration.h"
#include "model_domain.h"

namespace step_failure {

struct Failure {
    const char *mnemonic;  // "leftDomain", "tooMuchWork", ...
    char message[512];
};

// For any outcome but Completed. No message advises what would make the
// result wrong (such as looser tolerances).
Failure describe_failure(const interval_integration::Result &result, double interval,
                         const vaporizer_model::DomainLimits &limits);

}  // namespace step_failure

#endif
