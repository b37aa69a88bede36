// One time step of the transmission element (see transmission_update.h).
//
// The order of every operation below is part of the result: callers compare
// outputs bit for bit with a plain evaluation in this same order.
#include "transmission_update.h"

#include <cstring>

void transmission_update(double *new_delay_line, double *new_lag_states, double new_value,
                         const double *delay_line, const double *lag_states, double delay_time,
                         double time_constant, std::int32_t delay_length, std::int32_t stage_count,
                         double time_step, double range_low, double range_high)
{
    // Advance the line: new cell j takes old cell j - 1 for j = L-1 .. 1, and
    // old cell L-1 drops out. The new line is a fresh array of its own, never
    // the old one, so the cells cannot overlap and one block copy does the
    // whole shift. A NaN delay time fails the test and leaves cells 1 and up
    // untouched.
    if (delay_time >= transmission_time_threshold && delay_length >= 2)
        std::memcpy(new_delay_line + 1, delay_line,
                    static_cast<std::size_t>(delay_length - 1) * sizeof(double));

    // Fraction of the span, clipped into [0, 1]. The clip acts on the stored
    // quotient, so a zero-width span's infinities clip to 0 or 1, while NaN
    // fails both comparisons and stays NaN.
    new_delay_line[0] = (new_value - range_low) / (range_high - range_low);
    if (new_delay_line[0] < 0.0)
        new_delay_line[0] = 0.0;
    else if (new_delay_line[0] > 1.0)
        new_delay_line[0] = 1.0;

    if (stage_count <= 0)
        return;

    // The delayed signal, read back after the shift and the clip: for L = 1
    // it is this call's fraction, otherwise what the shift put there.
    const double delayed = new_delay_line[delay_length - 1];

    if (time_constant > transmission_time_threshold) {
        // Every stage is driven by the state its predecessor had after the
        // previous call, never by the value just computed here.
        double stage_input = delayed;
        for (std::int32_t i = 0; i < stage_count; ++i) {
            const double state = lag_states[i];
            const double rate = (stage_input - state) / time_constant;
            new_lag_states[i] = state + rate * time_step;
            stage_input = state;
        }
    } else {
        // A time constant at or below the threshold, or NaN: the lags pass
        // the delayed signal straight through.
        for (std::int32_t i = 0; i < stage_count; ++i)
            new_lag_states[i] = delayed;
    }
}
