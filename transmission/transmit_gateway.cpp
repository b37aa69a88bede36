// [new_delay_line, new_lag_states] = Transmit(new_value, delay_line, lag_states,
//     delay_time, time_constant, delay_length, stage_count, time_step,
//     range_low, range_high): one time step of the transmission element.
//
// The gateway checks and unpacks; transmission_update does the arithmetic.
// Every input is checked as it is read, so nothing outside the element's
// data model reaches the update and no output exists when a check fails.
#include <cstdint>
#include <cstdio>

#include "argument_checks.h"
#include "floating_point_environment.h"
#include "mex_interface.h"
#include "transmission_update.h"

namespace {

enum {
    IN_NEW_VALUE, IN_DELAY_LINE, IN_LAG_STATES, IN_DELAY_TIME, IN_TIME_CONSTANT,
    IN_DELAY_LENGTH, IN_STAGE_COUNT, IN_TIME_STEP, IN_RANGE_LOW, IN_RANGE_HIGH, INPUT_COUNT
};
enum { OUT_DELAY_LINE, OUT_LAG_STATES, OUTPUT_COUNT };

using argument_checks::InputName;
const InputName input_new_value{"Transmit", 1, "new_value"};
const InputName input_delay_line{"Transmit", 2, "delay_line"};
const InputName input_lag_states{"Transmit", 3, "lag_states"};
const InputName input_delay_time{"Transmit", 4, "delay_time"};
const InputName input_time_constant{"Transmit", 5, "time_constant"};
const InputName input_delay_length{"Transmit", 6, "delay_length"};
const InputName input_stage_count{"Transmit", 7, "stage_count"};
const InputName input_time_step{"Transmit", 8, "time_step"};
const InputName input_range_low{"Transmit", 9, "range_low"};
const InputName input_range_high{"Transmit", 10, "range_high"};

// A count truncated toward zero. Whether it fits 32 bits is decided on the
// double, so NaN, infinities and huge values are never converted.
std::int32_t truncated_count(const mxArray *array, const InputName &input)
{
    const double value = argument_checks::scalar_value(array, input);
    if (!argument_checks::truncates_into_int32(value, -2147483648.0))
        argument_checks::reject(input, "countNotInt32",
                                "must truncate to a whole number that fits a 32-bit signed integer");
    return static_cast<std::int32_t>(value);
}

// The shift writes cells 1 .. L - 1, so L may not pass the end of the line.
std::int32_t delay_length_within(const mxArray *array, std::size_t line_cells)
{
    const std::int32_t length = truncated_count(array, input_delay_length);
    if (length <= 0 || static_cast<std::size_t>(length) <= line_cells)
        return length;
    char what[128];
    std::snprintf(what, sizeof what,
                  "must truncate to at most %zu, the elements of input 2 (delay_line); it truncates to %ld",
                  line_cells, static_cast<long>(length));
    argument_checks::reject(input_delay_length, "badDelayLength", what);
}

// The lag chain reads the delayed signal from cell L - 1, which exists only
// for L >= 1; without stages nothing reads it, so any L up to the line passes.
void delay_cell_exists(std::int32_t delay_length, std::int32_t stage_count)
{
    if (delay_length >= 1 || stage_count <= 0)
        return;
    char what[160];
    std::snprintf(what, sizeof what,
                  "must truncate to 1 or more when input 7 (stage_count) is 1 or more; "
                  "it truncates to %ld and input 7 to %ld",
                  static_cast<long>(delay_length), static_cast<long>(stage_count));
    argument_checks::reject(input_delay_length, "badDelayLength", what);
}

// Stages 0 .. n - 1 are read and written; a count of zero or less touches none.
std::int32_t stage_count_within(const mxArray *array, std::size_t stages)
{
    const std::int32_t count = truncated_count(array, input_stage_count);
    if (count <= 0 || static_cast<std::size_t>(count) <= stages)
        return count;
    char what[128];
    std::snprintf(what, sizeof what,
                  "must truncate to at most %zu, the elements of input 3 (lag_states); it truncates to %ld",
                  stages, static_cast<long>(count));
    argument_checks::reject(input_stage_count, "tooManyStages", what);
}

// Output i takes the row and column counts of the input it replaces.
double *create_like(mxArray *plhs[], int slot, const mxArray *shape)
{
    plhs[slot] = mxCreateDoubleMatrix(mxGetM(shape), mxGetN(shape), mxREAL);
    return mxGetPr(plhs[slot]);
}

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    using argument_checks::double_array;
    using argument_checks::scalar_value;

    if (nrhs != INPUT_COUNT)
        mexErrMsgTxt("inputs not correct");
    if (nlhs != OUTPUT_COUNT)
        mexErrMsgTxt("outputs not correct");

    const double new_value = scalar_value(prhs[IN_NEW_VALUE], input_new_value);
    // Cell 0 is written on every call, so the line needs at least one.
    const double *delay_line = double_array(prhs[IN_DELAY_LINE], 1, input_delay_line);
    const double *lag_states = double_array(prhs[IN_LAG_STATES], 0, input_lag_states);
    const double delay_time = scalar_value(prhs[IN_DELAY_TIME], input_delay_time);
    const double time_constant = scalar_value(prhs[IN_TIME_CONSTANT], input_time_constant);
    const std::int32_t delay_length =
        delay_length_within(prhs[IN_DELAY_LENGTH], mxGetNumberOfElements(prhs[IN_DELAY_LINE]));
    const std::int32_t stage_count =
        stage_count_within(prhs[IN_STAGE_COUNT], mxGetNumberOfElements(prhs[IN_LAG_STATES]));
    delay_cell_exists(delay_length, stage_count);
    const double time_step = scalar_value(prhs[IN_TIME_STEP], input_time_step);
    const double range_low = scalar_value(prhs[IN_RANGE_LOW], input_range_low);
    const double range_high = scalar_value(prhs[IN_RANGE_HIGH], input_range_high);

    double *new_delay_line = create_like(plhs, OUT_DELAY_LINE, prhs[IN_DELAY_LINE]);
    double *new_lag_states = create_like(plhs, OUT_LAG_STATES, prhs[IN_LAG_STATES]);

    const floating_point_environment::FixedEnvironment fixed_fpu;  // whatever the caller set
    transmission_update(new_delay_line, new_lag_states, new_value, delay_line, lag_states,
                        delay_time, time_constant, delay_length, stage_count, time_step,
                        range_low, range_high);
}
