// [new_delay_line, new_lag_states] = Transmit(new_value, delay_line, lag_states,
//     delay_time, time_constant, delay_length, stage_count, time_step,
//     range_low, range_high): one time step of the transmission element.
//
// The gateway checks and unpacks (transmit_arguments.h) and creates the
// outputs; transmission_update does the arithmetic. No output exists when
// a check fails.
#include "floating_point_environment.h"
#include "mex_host.h"
#include "transmission_update.h"
#include "transmit_arguments.h"

namespace {

using namespace transmit_arguments;

const argument_checks::InputName call{"Transmit", 0, nullptr};

void transmit(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    argument_checks::require_exact_counts(call, nrhs, INPUT_COUNT, nlhs, OUTPUT_COUNT);

    const TransmitInputs in = read_transmit_inputs<MexHost>(prhs);

    plhs[OUT_DELAY_LINE] = create_output(outputs[OUT_DELAY_LINE], prhs);
    double *new_delay_line = mxGetPr(plhs[OUT_DELAY_LINE]);
    plhs[OUT_LAG_STATES] = create_output(outputs[OUT_LAG_STATES], prhs);
    double *new_lag_states = mxGetPr(plhs[OUT_LAG_STATES]);

    const floating_point_environment::FixedEnvironment fixed_fpu;  // whatever the caller set
    transmission_update(new_delay_line, new_lag_states, in.new_value, in.delay_line,
                        in.lag_states, in.delay_time, in.time_constant, in.delay_length,
                        in.stage_count, in.time_step, in.range_low, in.range_high);
}

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    run_gateway([&] { transmit(nlhs, plhs, nrhs, prhs); });
}
