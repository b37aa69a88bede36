// The ten inputs of Transmit as every host reads them: each checked as it
// is read, so nothing outside the element's data model reaches the update.
// Host-free: a host supplies only the traits through which the checks see
// its arrays (argument_checks.h), so every host gives the same errors.
#ifndef MEX_SUITE_TRANSMIT_ARGUMENTS_H
#define MEX_SUITE_TRANSMIT_ARGUMENTS_H

#include <cstddef>
#include <cstdint>

#include "argument_checks.h"
#include "module_interface.h"

namespace transmit_arguments {

enum {
    IN_NEW_VALUE, IN_DELAY_LINE, IN_LAG_STATES, IN_DELAY_TIME, IN_TIME_CONSTANT,
    IN_DELAY_LENGTH, IN_STAGE_COUNT, IN_TIME_STEP, IN_RANGE_LOW, IN_RANGE_HIGH, INPUT_COUNT
};

using argument_checks::InputName;
constexpr InputName input_new_value{"Transmit", 1, "new_value"};
constexpr InputName input_delay_line{"Transmit", 2, "delay_line"};
constexpr InputName input_lag_states{"Transmit", 3, "lag_states"};
constexpr InputName input_delay_time{"Transmit", 4, "delay_time"};
constexpr InputName input_time_constant{"Transmit", 5, "time_constant"};
constexpr InputName input_delay_length{"Transmit", 6, "delay_length"};
constexpr InputName input_stage_count{"Transmit", 7, "stage_count"};
constexpr InputName input_time_step{"Transmit", 8, "time_step"};
constexpr InputName input_range_low{"Transmit", 9, "range_low"};
constexpr InputName input_range_high{"Transmit", 10, "range_high"};
// The ten in position order, for the hosts that list them.
constexpr const InputName *inputs[INPUT_COUNT] = {
    &input_new_value,  &input_delay_line, &input_lag_states, &input_delay_time,
    &input_time_constant, &input_delay_length, &input_stage_count, &input_time_step,
    &input_range_low,  &input_range_high};

// The two outputs, each shaped like the input it replaces.
enum { OUT_DELAY_LINE, OUT_LAG_STATES, OUTPUT_COUNT };
constexpr module_interface::Output outputs[OUTPUT_COUNT] = {
    module_interface::like_input("new_delay_line", IN_DELAY_LINE),
    module_interface::like_input("new_lag_states", IN_LAG_STATES)};

struct TransmitInputs {
    double new_value;
    const double *delay_line;
    std::size_t line_cells;
    const double *lag_states;
    std::size_t stages;
    double delay_time, time_constant;
    std::int32_t delay_length, stage_count;
    double time_step, range_low, range_high;
};

// A count truncated toward zero. Whether it fits 32 bits is decided on the
// double, so NaN, infinities and huge values are never converted.
inline std::int32_t truncated_count(double value, const InputName &input)
{
    if (!argument_checks::truncates_into_int32(value, -2147483648.0))
        argument_checks::reject(input, "countNotInt32",
                                "must truncate to a whole number that fits a 32-bit signed integer");
    return static_cast<std::int32_t>(value);
}

// A count may not pass the end of the array it indexes: the shift writes
// cells 1 .. L - 1 of the line, the lags read and write stages 0 .. n - 1;
// a count of zero or less touches none.
inline void count_within(std::int32_t count, std::size_t available, const InputName &input,
                         const char *mnemonic, const InputName &indexed)
{
    if (count > 0 && static_cast<std::size_t>(count) > available)
        argument_checks::reject(input, mnemonic,
                                "must truncate to at most %zu, the elements of input %d (%s); "
                                "it truncates to %ld",
                                available, indexed.position, indexed.name,
                                static_cast<long>(count));
}

// The lag chain reads the delayed signal from cell L - 1, which exists only
// for L >= 1; without stages nothing reads it, so any L up to the line passes.
inline void delay_cell_exists(std::int32_t delay_length, std::int32_t stage_count)
{
    if (delay_length < 1 && stage_count > 0)
        argument_checks::reject(input_delay_length, "badDelayLength",
                                "must truncate to 1 or more when input 7 (stage_count) is 1 or "
                                "more; it truncates to %ld and input 7 to %ld",
                                static_cast<long>(delay_length), static_cast<long>(stage_count));
}

// Checks and reads the ten inputs in position order.
template <class Host>
TransmitInputs read_transmit_inputs(const typename Host::Array *inputs)
{
    using argument_checks::double_array;
    using argument_checks::scalar_value;
    TransmitInputs in;
    in.new_value = scalar_value<Host>(inputs[IN_NEW_VALUE], input_new_value);
    // Cell 0 is written on every call, so the line needs at least one.
    in.delay_line = double_array<Host>(inputs[IN_DELAY_LINE], 1, input_delay_line);
    in.line_cells = Host::count(inputs[IN_DELAY_LINE]);
    in.lag_states = double_array<Host>(inputs[IN_LAG_STATES], 0, input_lag_states);
    in.stages = Host::count(inputs[IN_LAG_STATES]);
    in.delay_time = scalar_value<Host>(inputs[IN_DELAY_TIME], input_delay_time);
    in.time_constant = scalar_value<Host>(inputs[IN_TIME_CONSTANT], input_time_constant);
    in.delay_length = truncated_count(scalar_value<Host>(inputs[IN_DELAY_LENGTH], input_delay_length),
                                      input_delay_length);
    count_within(in.delay_length, in.line_cells, input_delay_length, "badDelayLength",
                 input_delay_line);
    in.stage_count = truncated_count(scalar_value<Host>(inputs[IN_STAGE_COUNT], input_stage_count),
                                     input_stage_count);
    count_within(in.stage_count, in.stages, input_stage_count, "tooManyStages",
                 input_lag_states);
    delay_cell_exists(in.delay_length, in.stage_count);
    in.time_step = scalar_value<Host>(inputs[IN_TIME_STEP], input_time_step);
    in.range_low = scalar_value<Host>(inputs[IN_RANGE_LOW], input_range_low);
    in.range_high = scalar_value<Host>(inputs[IN_RANGE_HIGH], input_range_high);
    return in;
}

}  // namespace transmit_arguments

#endif
