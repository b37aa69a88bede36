// Transmit through the in-process host: the two count checks, inputs reaching
// the update in their positions, truncated counts, output shapes, and every
// input outside the element's data model ending in an error before any output.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "gateway_call.h"
#include "in_process_host.h"
#include "transmission_update.h"

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);

namespace {

using namespace in_process_host;

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

const char *const input_names[] = {"new_value", "delay_line", "lag_states", "delay_time",
                                   "time_constant", "delay_length", "stage_count",
                                   "time_step", "range_low", "range_high"};

// Ten valid inputs, any of which a test may replace.
struct Inputs {
    std::vector<ArrayPtr> arrays;
    Inputs()
    {
        arrays.push_back(make_scalar(13.0));                    // new_value
        arrays.push_back(make_column({0.5, 0.25, 0.75, 0.125}));  // delay_line
        arrays.push_back(make_column({0.2, 0.4, 0.6}));         // lag_states
        arrays.push_back(make_scalar(0.5));                     // delay_time
        arrays.push_back(make_scalar(0.3));                     // time_constant
        arrays.push_back(make_scalar(3));                       // delay_length
        arrays.push_back(make_scalar(2));                       // stage_count
        arrays.push_back(make_scalar(0.1));                     // time_step
        arrays.push_back(make_scalar(4.0));                     // range_low
        arrays.push_back(make_scalar(20.0));                    // range_high
    }
    Inputs &set(int position, ArrayPtr array)
    {
        arrays[position - 1] = std::move(array);
        return *this;
    }
    Inputs &set(int position, double value) { return set(position, make_scalar(value)); }
    std::vector<const mxArray *> pointers(std::size_t count = 10) const
    {
        std::vector<const mxArray *> result;
        for (std::size_t i = 0; i < count; ++i)
            result.push_back(arrays[i % arrays.size()].get());
        return result;
    }
    CallResult call(int nlhs = 2) const { return call_gateway(mexFunction, nlhs, pointers()); }
};

std::vector<double> output(const CallResult &result, int slot)
{
    return result.ok && result.outputs[slot] ? values(result.outputs[slot].get())
                                             : std::vector<double>{};
}

// "input N (name) " of the one-based position.
std::string input(int position) { return about(position, input_names[position - 1]) + " "; }

// What the Transmit checks of its own say about an input.
const std::string count_not_int32 =
    "must truncate to a whole number that fits a 32-bit signed integer";
// delay_length beyond delay_line (array 2), or stage_count beyond lag_states (array 3).
std::string beyond(std::size_t elements, int array, long value)
{
    return "must truncate to at most " + std::to_string(elements) + ", the elements of " +
           about(array, input_names[array - 1]) + "; it truncates to " + std::to_string(value);
}
std::string no_delay_cell(long length, long stages)
{
    return "must truncate to 1 or more when input 7 (stage_count) is 1 or more; "
           "it truncates to " +
           std::to_string(length) + " and input 7 to " + std::to_string(stages);
}

// The call fails the check of one input with this mnemonic and message
// (after "input N (name) "), before any output existed.
void expect_rejected(const Inputs &inputs, int position, const std::string &mnemonic,
                     const std::string &what)
{
    std::size_t before = live_array_count();
    expect_error(inputs.call(), "Transmit:" + mnemonic, input(position) + what);
    // Rejected before any output existed: nothing is left for the host to free.
    EXPECT_EQ(live_array_count(), before);
}

TEST(TransmitCounts, InputsAreCheckedBeforeOutputsAndBothExactly)
{
    Inputs inputs;
    for (std::size_t count : {0u, 9u, 11u})
        for (int nlhs : {0, 2, 3})
            expect_error(call_gateway(mexFunction, nlhs, inputs.pointers(count)), "",
                         "inputs not correct");
    for (int nlhs : {0, 1, 3})
        expect_error(inputs.call(nlhs), "", "outputs not correct");
    // Counts come first, before any input is looked at.
    inputs.set(2, make_dense(ArrayClass::Cell, 1, 1));
    expect_error(inputs.call(1), "", "outputs not correct");
}

TEST(TransmitCall, EveryInputReachesTheUpdateInItsPosition)
{
    // Distinct values everywhere, so that any two inputs swapped would show.
    Inputs inputs;
    inputs.set(1, 9.5).set(4, 0.5).set(5, 0.37).set(8, 0.11).set(9, 3.0).set(10, 21.0);
    CallResult result = inputs.call();
    expect_success(result);
    const std::vector<double> line{0.5, 0.25, 0.75, 0.125}, lags{0.2, 0.4, 0.6};
    std::vector<double> new_line(4, 0.0), new_lags(3, 0.0);
    transmission_update(new_line.data(), new_lags.data(), 9.5, line.data(), lags.data(), 0.5,
                        0.37, 3, 2, 0.11, 3.0, 21.0);
    EXPECT_EQ(output(result, 0), new_line);
    EXPECT_EQ(output(result, 1), new_lags);
    EXPECT_EQ(new_line[3], 0.0);
    EXPECT_EQ(new_lags[2], 0.0);
}

TEST(TransmitCall, CountsAreTruncatedTowardZero)
{
    Inputs inputs;
    inputs.set(10, 5.0).set(5, 0.0);  // bypass: every written stage shows u
    inputs.set(6, 3.7).set(7, 2.2);
    CallResult result = inputs.call();
    EXPECT_EQ(output(result, 0), (std::vector<double>{1.0, 0.5, 0.25, 0.0}));
    EXPECT_EQ(output(result, 1), (std::vector<double>{0.25, 0.25, 0.0}));
    inputs.set(7, -0.5);
    EXPECT_EQ(output(inputs.call(), 1), (std::vector<double>{0.0, 0.0, 0.0}));
    // The most negative count that fits 32 bits is valid and touches no stage.
    inputs.set(7, -2147483648.9);
    EXPECT_EQ(output(inputs.call(), 1), (std::vector<double>{0.0, 0.0, 0.0}));
    // Any numeric class counts with its first element.
    inputs.set(6, make_dense(ArrayClass::Int8, 1, 1)).set(7, make_row({1.0, 99.0}));
    expect_rejected(inputs, 6, "badDelayLength", no_delay_cell(0, 1));
}

TEST(TransmitCall, OutputsTakeTheShapesOfTheirInputs)
{
    Inputs inputs;
    inputs.set(2, make_row({0.0, 0.0, 0.0, 0.0, 0.0})).set(3, make_column({0.0, 0.0}));
    CallResult result = inputs.call();
    expect_success(result);
    EXPECT_EQ(mxGetM(result.outputs[0].get()), 1u);
    EXPECT_EQ(mxGetN(result.outputs[0].get()), 5u);
    EXPECT_EQ(mxGetM(result.outputs[1].get()), 2u);
    EXPECT_EQ(mxGetN(result.outputs[1].get()), 1u);
    inputs.set(2, make_double(2, 3, std::vector<double>(6, 0.0)))
        .set(3, make_dense(ArrayClass::Double, 0, 0))
        .set(7, 0);
    result = inputs.call();
    expect_success(result);
    EXPECT_EQ(mxGetM(result.outputs[0].get()), 2u);
    EXPECT_EQ(mxGetN(result.outputs[0].get()), 3u);
    EXPECT_EQ(mxGetNumberOfElements(result.outputs[1].get()), 0u);
}

TEST(TransmitCall, ScalarsCountWithTheirFirstElementArraysWithTheirRealPart)
{
    Inputs inputs;
    inputs.set(1, make_row({8.0, 100.0})).set(5, 0.0).set(6, 1);
    inputs.set(3, make_double(3, 1, {0.0, 0.0, 0.0}, {5.0, 5.0, 5.0}));
    CallResult result = inputs.call();
    EXPECT_EQ(output(result, 0), (std::vector<double>{0.25, 0.0, 0.0, 0.0}));
    EXPECT_EQ(output(result, 1), (std::vector<double>{0.25, 0.25, 0.0}));
}

TEST(TransmitCall, ScalarsOfEveryClassTheHostReadsAsANumberAreAccepted)
{
    // A logical new value, a char range and a 1-by-1 sparse delay length.
    Inputs inputs;
    inputs.set(1, make_filled(ArrayClass::Logical, 1, 1, {1.0}))
        .set(2, make_scalar(7.0))
        .set(3, make_dense(ArrayClass::Double, 0, 0))
        .set(4, 1.0).set(5, 2.0).set(7, 0.0).set(8, 0.5).set(9, 0.0)
        .set(10, make_filled(ArrayClass::Char, 1, 1, {4.0}))
        .set(6, make_sparse(1, 1, {0}, {0, 1}, ArrayClass::Double, false, {1.0}));
    CallResult result = inputs.call();
    expect_success(result);
    EXPECT_EQ(output(result, 0), std::vector<double>{0.25});
    EXPECT_EQ(output(result, 1), std::vector<double>{});
}

TEST(TransmitChecks, ScalarInputsTheHostCannotReadAsANumberAreRefused)
{
    for (int position : {1, 4, 5, 6, 7, 8, 9, 10}) {
        // A sparse column yields its first stored value, not its first element.
        ArrayPtr bad[] = {make_dense(ArrayClass::Double, 0, 1), make_dense(ArrayClass::Int8, 1, 0),
                          make_dense(ArrayClass::Cell, 1, 1),
                          make_sparse(2, 1, {1}, {0, 1}, ArrayClass::Double, false, {5.0})};
        for (ArrayPtr &array : bad) {
            Inputs inputs;
            inputs.set(position, std::move(array));
            expect_rejected(inputs, position, "notNumericScalar", not_numeric_scalar);
        }
    }
}

TEST(TransmitChecks, ArrayInputsMustBeDenseDoubleAndTheLineNonEmpty)
{
    for (int position : {2, 3}) {
        ArrayPtr bad[] = {make_sparse(4, 1, {0}, {0, 1}), make_dense(ArrayClass::Single, 4, 1),
                          make_dense(ArrayClass::Int32, 4, 1), make_dense(ArrayClass::Logical, 4, 1),
                          make_dense(ArrayClass::Char, 4, 1), make_dense(ArrayClass::Cell, 4, 1)};
        for (ArrayPtr &array : bad) {
            Inputs inputs;
            inputs.set(position, std::move(array));
            expect_rejected(inputs, position, "notDenseDouble", not_dense_double);
        }
    }
    Inputs inputs;
    inputs.set(2, make_dense(ArrayClass::Double, 1, 0));
    expect_rejected(inputs, 2, "tooShort", too_short(1, 0));
}

TEST(TransmitChecks, CountsMustTruncateInto32Bits)
{
    for (int position : {6, 7})
        for (double bad : {nan, inf, -inf, 2147483648.0, -2147483649.0, 1e300}) {
            Inputs inputs;
            inputs.set(position, bad);
            expect_rejected(inputs, position, "countNotInt32", count_not_int32);
        }
}

TEST(TransmitChecks, CountsMustStayWithinTheirArrays)
{
    Inputs inputs;  // four cells, three stages, two of them in use
    for (double bad : {5.0, 2147483647.0}) {
        inputs.set(6, bad);
        expect_rejected(inputs, 6, "badDelayLength", beyond(4, 2, static_cast<long>(bad)));
    }
    // The delayed signal is cell L - 1: with stages in use, L must be 1 or
    // more (the most negative L gives the longest message).
    for (double bad : {0.0, 0.99, -0.5, -3.0, -2147483648.9}) {
        inputs.set(6, bad);
        expect_rejected(inputs, 6, "badDelayLength", no_delay_cell(static_cast<long>(bad), 2));
    }
    inputs.set(6, 4.9);
    expect_success(inputs.call());
    for (double bad : {4.0, 2147483647.9}) {
        inputs.set(7, bad);
        expect_rejected(inputs, 7, "tooManyStages", beyond(3, 3, static_cast<long>(bad)));
    }
    inputs.set(7, 3.9);
    expect_success(inputs.call());
    // No stages: an empty lag_states is enough.
    inputs.set(3, make_dense(ArrayClass::Double, 0, 0)).set(7, 0.9);
    expect_success(inputs.call());
    inputs.set(7, 1.0);
    expect_rejected(inputs, 7, "tooManyStages", beyond(0, 3, 1));
}

TEST(TransmitCall, NoStagesLetTheLineBeOutOfUse)
{
    // Without stages no delayed cell is read: L of 0 or less only writes
    // cell 0, and the most negative L that fits 32 bits is no different.
    for (double length : {0.0, -2147483648.0}) {
        Inputs inputs;
        inputs.set(1, 0.5).set(2, make_row({7.0, 8.0, 9.0})).set(3, make_dense(ArrayClass::Double, 0, 0));
        inputs.set(4, 1.0).set(5, 2.0).set(6, length).set(7, 0.0).set(8, 0.5).set(9, 0.0).set(10, 1.0);
        CallResult result = inputs.call();
        expect_success(result);
        EXPECT_EQ(output(result, 0), (std::vector<double>{0.5, 0.0, 0.0}));
        EXPECT_EQ(mxGetNumberOfElements(result.outputs[1].get()), 0u);
    }
}

// Inputs in position order, except that the rule tying delay_length to
// stage_count is checked once both counts are read: input 6's range, input
// 7's range, then the rule (reported against input 6), then input 8.
TEST(TransmitChecks, InputsAreCheckedInPositionOrder)
{
    auto fault = [](int position, std::function<ArrayPtr()> make, const std::string &mnemonic,
                    const std::string &what) {
        return Fault{position - 1, std::move(make), "Transmit:" + mnemonic,
                     input(position) + what};
    };
    auto scalar = [](double value) { return [value] { return make_scalar(value); }; };
    auto single = [](std::size_t n) {
        return [n] { return make_dense(ArrayClass::Single, n, 1); };
    };
    auto empty = [] { return make_dense(ArrayClass::Double, 0, 1); };
    auto cell_at = [&](int position) {
        return fault(position, [] { return make_dense(ArrayClass::Cell, 1, 1); },
                     "notNumericScalar", not_numeric_scalar);
    };
    expect_checks_in_order(
        {{cell_at(1)},
         {fault(2, single(4), "notDenseDouble", not_dense_double),
          fault(2, empty, "tooShort", too_short(1, 0))},
         {fault(3, single(3), "notDenseDouble", not_dense_double)},
         {cell_at(4)},
         {cell_at(5)},
         {fault(6, scalar(nan), "countNotInt32", count_not_int32),
          fault(6, scalar(5.0), "badDelayLength", beyond(4, 2, 5))},
         {fault(7, scalar(-inf), "countNotInt32", count_not_int32),
          fault(7, scalar(4.0), "tooManyStages", beyond(3, 3, 4))},
         {fault(6, scalar(0.0), "badDelayLength", no_delay_cell(0, 2))},
         {cell_at(8)},
         {cell_at(9)},
         {cell_at(10)}},
        [](Replacements bad) {
            Inputs inputs;
            for (auto &[slot, array] : bad)
                inputs.set(slot + 1, std::move(array));
            return inputs.call();
        });
}

}  // namespace
