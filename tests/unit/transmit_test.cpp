// Transmit through the in-process host: inputs reaching the update in their
// positions, truncated counts, output shapes, and scalars of every class the
// host reads as a number. What the gateway refuses is gateway_contract_test's.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gateway_call.h"
#include "in_process_host.h"
#include "transmission_update.h"

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);

namespace {

using namespace in_process_host;

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
    CallResult call(int nlhs = 2) const
    {
        std::vector<const mxArray *> inputs;
        for (const ArrayPtr &a : arrays)
            inputs.push_back(a.get());
        return call_gateway(mexFunction, nlhs, inputs);
    }
};

std::vector<double> output(const CallResult &result, int slot)
{
    return result.ok && result.outputs[slot] ? values(result.outputs[slot].get())
                                             : std::vector<double>{};
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
    expect_error(inputs.call(), "Transmit:badDelayLength",
                 "input 6 (delay_length) must truncate to 1 or more when input 7 (stage_count) "
                 "is 1 or more; it truncates to 0 and input 7 to 1");
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

}  // namespace
