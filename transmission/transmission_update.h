// One time step of the transmission element: span and clip, delay line, lag chain.
//
// Plain arithmetic on raw storage: no host header, no allocation, no state,
// so the gateway, the tests and the benchmarks all call the same routine.
#ifndef MEX_SUITE_TRANSMISSION_UPDATE_H
#define MEX_SUITE_TRANSMISSION_UPDATE_H

#include <cstdint>

// Both the delay test (>=) and the lag test (>) compare against this value.
constexpr double transmission_time_threshold = 1.0e-4;

// Writes new_delay_line[0 .. L-1] (only cell 0 when the line does not
// advance) and new_lag_states[0 .. n-1]; every other element is left as it is,
// so callers hand in zero-filled outputs.
//
// Caller's contract: the outputs are storage of their own, apart from the
// inputs; when n >= 1, L >= 1; delay_line and new_delay_line hold at least
// max(L, 1) values; lag_states and new_lag_states at least n values.
void transmission_update(double *new_delay_line, double *new_lag_states, double new_value,
                         const double *delay_line, const double *lag_states, double delay_time,
                         double time_constant, std::int32_t delay_length, std::int32_t stage_count,
                         double time_step, double range_low, double range_high);

#endif
