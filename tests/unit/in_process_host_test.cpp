// The in-process host keeps the contracts the gateways rely on, and reports
// what a real host would punish, so gateway tests can trust it.
#include <gtest/gtest.h>

#include <cmath>

#include "in_process_host.h"

namespace {

using namespace in_process_host;

void creates_two_then_fails(int, mxArray *plhs[], int, const mxArray *[])
{
    plhs[0] = mxCreateDoubleMatrix(2, 3, mxREAL);
    mxCreateDoubleScalar(1.0);
    mexErrMsgIdAndTxt("test:fail", "input %d (%s) is wrong", 4, "x");
}

void leaves_one_unowned(int, mxArray *plhs[], int, const mxArray *[])
{
    plhs[0] = mxCreateDoubleScalar(2.0);
    mxCreateDoubleScalar(3.0);
}

void writes_its_input(int, mxArray *[], int, const mxArray *prhs[]) { mxGetPr(prhs[0])[0] = 1.0; }

void reads_single_as_double(int, mxArray *[], int, const mxArray *prhs[]) { mxGetPr(prhs[0]); }

void asks_for_negative_rows(int, mxArray *plhs[], int, const mxArray *[])
{
    plhs[0] = mxCreateDoubleMatrix(static_cast<mwSize>(-5), 1, mxREAL);
}

TEST(InProcessHost, CreatesZeroFilledColumnMajorArrays)
{
    ArrayPtr a = make_double(2, 2, {1, 2, 3, 4});
    EXPECT_EQ(mxGetPr(a.get())[1], 2.0);  // row 2, column 1
    EXPECT_EQ(mxGetScalar(a.get()), 1.0);
    ArrayPtr z = make_dense(ArrayClass::Double, 3, 2);
    EXPECT_EQ(values(z.get()), std::vector<double>(6, 0.0));
    ArrayPtr i = make_dense(ArrayClass::UInt8, 1, 1);
    EXPECT_TRUE(mxIsNumeric(i.get()));
    EXPECT_FALSE(mxIsDouble(i.get()));
    EXPECT_EQ(mxGetScalar(i.get()), 0.0);
}

TEST(InProcessHost, FailedCallFreesEveryArrayItCreated)
{
    std::size_t before = live_array_count();
    CallResult result = call_gateway(creates_two_then_fails, 1, {});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.identifier, "test:fail");
    EXPECT_EQ(result.message, "input 4 (x) is wrong");
    EXPECT_EQ(live_array_count(), before);
}

TEST(InProcessHost, ReportsBrokenContracts)
{
    EXPECT_EQ(call_gateway(leaves_one_unowned, 1, {}).unowned_arrays, 1u);
    ArrayPtr x = make_scalar(0.0);
    EXPECT_EQ(call_gateway(writes_its_input, 0, {x.get()}).misuse, "input 1 was written");
    ArrayPtr s = make_dense(ArrayClass::Single, 1, 1);
    EXPECT_NE(call_gateway(reads_single_as_double, 0, {s.get()}).misuse, "");
    EXPECT_NE(call_gateway(asks_for_negative_rows, 1, {}).misuse, "");
}

// A 1-by-1 struct with fields a and b in the first slot: a holds a new
// scalar, b what the first input holds in its field "x" (a misuse).
void returns_a_struct(int, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    const char *names[] = {"a", "b"};
    plhs[0] = mxCreateStructMatrix(1, 1, 2, names);
    mxSetField(plhs[0], 0, "a", mxCreateDoubleScalar(4.0));
    if (nrhs > 0)
        mxSetField(plhs[0], 0, "b", mxGetField(prhs[0], 0, "x"));
}

void fails_after_filling_a_struct(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    returns_a_struct(nlhs, plhs, nrhs, prhs);
    mexErrMsgTxt("late failure");
}

TEST(InProcessHost, StructsOwnTheArraysInTheirFields)
{
    const std::size_t before = live_array_count();
    {
        CallResult result = call_gateway(returns_a_struct, 1, {});
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(result.unowned_arrays, 0u);
        const mxArray *s = result.outputs[0].get();
        ASSERT_TRUE(mxIsStruct(s));
        EXPECT_EQ(mxGetNumberOfFields(s), 2);
        EXPECT_STREQ(mxGetFieldNameByNumber(s, 1), "b");
        EXPECT_EQ(mxGetScalar(mxGetField(s, 0, "a")), 4.0);
        EXPECT_EQ(mxGetFieldByNumber(s, 0, 1), nullptr);
        EXPECT_EQ(mxGetField(s, 0, "c"), nullptr);
    }
    EXPECT_FALSE(call_gateway(fails_after_filling_a_struct, 1, {}).ok);
    EXPECT_EQ(live_array_count(), before);

    std::vector<Field> fields;
    fields.emplace_back("x", make_scalar(1.0));
    fields.emplace_back("y", nullptr);
    ArrayPtr input = make_struct(std::move(fields));
    EXPECT_EQ(live_array_count(), before + 2);
    EXPECT_NE(call_gateway(returns_a_struct, 1, {input.get()}).misuse, "");
    input.reset();
    EXPECT_EQ(live_array_count(), before);
}

void asks_for_a_million_values(int, mxArray *plhs[], int, const mxArray *[])
{
    plhs[0] = mxCreateDoubleMatrix(1000, 1000, mxREAL);
}

TEST(InProcessHost, FilledArraysConvertValuesAsTheHostAssigns)
{
    const double nan = std::nan("");
    ArrayPtr i32 = make_filled(ArrayClass::Int32, 1, 1, {3e9});
    EXPECT_EQ(mxGetScalar(i32.get()), 2147483647.0);
    EXPECT_EQ(mxGetScalar(make_filled(ArrayClass::Int8, 1, 1, {-2.5}).get()), -3.0);
    EXPECT_EQ(mxGetScalar(make_filled(ArrayClass::UInt8, 1, 1, {nan}).get()), 0.0);
    EXPECT_EQ(mxGetScalar(make_filled(ArrayClass::Int64, 1, 1, {-1e300}).get()), -9223372036854775808.0);
    EXPECT_EQ(mxGetScalar(make_filled(ArrayClass::Single, 1, 1, {1e300}).get()), HUGE_VAL);
    EXPECT_EQ(mxGetScalar(make_filled(ArrayClass::Logical, 1, 2, {-0.5, 0}).get()), 1.0);
    EXPECT_EQ(mxGetScalar(make_filled(ArrayClass::Char, 1, 1, {65}).get()), 65.0);
    ArrayPtr c = make_filled(ArrayClass::UInt32, 2, 1, {1, 2}, true);
    EXPECT_TRUE(mxIsComplex(c.get()));
    EXPECT_FALSE(mxIsDouble(c.get()));
}

TEST(InProcessHost, RequestsAboveTheMemoryLimitEndTheCallAsOutOfMemory)
{
    set_memory_limit(999999);
    CallResult refused = call_gateway(asks_for_a_million_values, 1, {});
    set_memory_limit(1000000);
    CallResult granted = call_gateway(asks_for_a_million_values, 1, {});
    set_memory_limit(std::size_t{1} << 28);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.identifier, "MATLAB:nomem");
    EXPECT_EQ(refused.misuse, "");
    EXPECT_TRUE(granted.ok);
}

}  // namespace
