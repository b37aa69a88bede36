// vaporizer through the in-process host: the routine's results in outputs
// shaped like the inputs, scalars given as arrays, complex and of every
// class the host reads as a number. What the gateway refuses is
// gateway_contract_test's.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "balance_equations.h"
#include "gateway_call.h"
#include "in_process_host.h"
#include "vaporizer_host_inputs.h"
#include "vaporizer_inputs.h"

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);

namespace {

using namespace in_process_host;

CallResult vaporizer(const std::vector<ArrayPtr> &arrays, int nlhs = 5)
{
    std::vector<const mxArray *> inputs;
    for (const ArrayPtr &a : arrays)
        inputs.push_back(a.get());
    return call_gateway(mexFunction, nlhs, inputs);
}

void expect_outputs(const CallResult &result, const VaporizerOutputs &expected)
{
    expect_success(result);
    ASSERT_EQ(result.outputs.size(), 5u);
    std::vector<double> derivatives = values(result.outputs[0].get());
    derivatives.resize(8);
    std::vector<double> vapour = values(result.outputs[2].get());
    vapour.resize(7);
    EXPECT_EQ(derivatives, expected.derivatives);
    EXPECT_EQ(values(result.outputs[1].get()), std::vector<double>{expected.level});
    EXPECT_EQ(vapour, expected.vapour_comp);
    EXPECT_EQ(values(result.outputs[3].get()), std::vector<double>{expected.temperature});
    EXPECT_EQ(values(result.outputs[4].get()), std::vector<double>{expected.pressure});
}

void expect_shape(const mxArray *array, std::size_t rows, std::size_t columns)
{
    EXPECT_EQ(mxGetM(array), rows);
    EXPECT_EQ(mxGetN(array), columns);
}

TEST(VaporizerGateway, ReturnsTheRoutinesResultsInColumnsShapedLikeTheInputs)
{
    // Every input a value of its own, so that any two exchanged would show.
    std::mt19937_64 random(20261208);
    const VaporizerInputs in = random_vaporizer_inputs(random);
    const VaporizerOutputs expected = run_vaporizer(vaporizer_model::vaporizer_derivatives, in);
    CallResult result = vaporizer(vaporizer_host_inputs(in));
    expect_outputs(result, expected);
    expect_shape(result.outputs[0].get(), 8, 1);
    expect_shape(result.outputs[2].get(), 7, 1);
    for (int k : {1, 3, 4})
        expect_shape(result.outputs[k].get(), 1, 1);
}

TEST(VaporizerGateway, RowsLongerArraysAndComplexInputsKeepTheirShapes)
{
    VaporizerInputs in;
    const VaporizerOutputs expected = run_vaporizer(vaporizer_model::vaporizer_derivatives, in);
    std::vector<ArrayPtr> inputs = vaporizer_host_inputs(in);
    inputs[0] = make_row(in.state);
    inputs[4] = make_row(in.feed1_comp);
    CallResult rows = vaporizer(inputs);
    expect_outputs(rows, expected);
    expect_shape(rows.outputs[0].get(), 1, 8);
    expect_shape(rows.outputs[2].get(), 1, 7);

    // Longer state and composition: extra output elements stay 0; a 2-by-5
    // state is read in storage order.
    std::vector<double> state = in.state;
    state.insert(state.end(), {0.5, 0.5});
    inputs[0] = make_double(2, 5, state);
    std::vector<double> comp = in.feed1_comp;
    comp.insert(comp.end(), {9.0, 9.0});
    inputs[4] = make_double(3, 3, comp);
    CallResult longer = vaporizer(inputs);
    expect_outputs(longer, expected);
    expect_shape(longer.outputs[0].get(), 2, 5);
    expect_shape(longer.outputs[2].get(), 3, 3);
    EXPECT_EQ(values(longer.outputs[0].get())[9], 0.0);
    EXPECT_EQ(values(longer.outputs[2].get())[8], 0.0);

    // Scalars as longer arrays use their first element; complex inputs
    // their real part; other numeric classes their value.
    inputs = vaporizer_host_inputs(in);
    inputs[1] = make_row({in.vapour_flow, -1.0, 99.0});
    inputs[9] = make_double(1, 1, {in.area}, {3.0});
    inputs[0] = make_double(8, 1, in.state, std::vector<double>(8, 0.25));
    inputs[23] = make_dense(ArrayClass::Int32, 2, 2);  // int32 zeros: density factor 0
    in.density_factor = 0.0;
    expect_outputs(vaporizer(inputs), run_vaporizer(vaporizer_model::vaporizer_derivatives, in));
}

TEST(VaporizerGateway, ScalarsOfEveryClassTheHostReadsAsANumberAreAccepted)
{
    // A logical heat input, a char area and a 1-by-1 sparse density factor.
    VaporizerInputs in;
    std::vector<ArrayPtr> inputs = vaporizer_host_inputs(in);
    inputs[2] = make_filled(ArrayClass::Logical, 1, 1, {1.0});
    inputs[9] = make_filled(ArrayClass::Char, 1, 1, {2.0});
    inputs[23] = make_sparse(1, 1, {0}, {0, 1}, ArrayClass::Double, false, {1.5});
    in.heat_input = 1.0;
    in.area = 2.0;
    in.density_factor = 1.5;
    expect_outputs(vaporizer(inputs), run_vaporizer(vaporizer_model::vaporizer_derivatives, in));
}

}  // namespace
