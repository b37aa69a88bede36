// murtal through the in-process host: counting, truncation of K and labels,
// K of every class the host reads as a number, and the labels' own checks.
// What the gateway refuses in its arguments is gateway_contract_test's.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "gateway_call.h"
#include "in_process_host.h"

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);

namespace {

using namespace in_process_host;

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

// A sparse column of `rows` rows with stored entries at the given zero-based rows.
ArrayPtr sparse_column(std::size_t rows, const std::vector<mwIndex> &stored_rows,
                       ArrayClass array_class = ArrayClass::Double, bool complex = false)
{
    return make_sparse(rows, 1, stored_rows, {0, stored_rows.size()}, array_class, complex);
}

CallResult murtal(const mxArray *c, const mxArray *k, const mxArray *l, int nlhs = 1)
{
    return call_gateway(mexFunction, nlhs, {c, k, l});
}

CallResult murtal(const mxArray *c, double k, const std::vector<double> &labels, int nlhs = 1)
{
    ArrayPtr k_array = make_scalar(k);
    ArrayPtr l_array = make_column(labels);
    return murtal(c, k_array.get(), l_array.get(), nlhs);
}

std::vector<double> counts(const CallResult &result)
{
    return result.ok && result.outputs[0] ? values(result.outputs[0].get()) : std::vector<double>{};
}

TEST(MurtalCounting, CountsStoredEntriesPerClusterWithTruncatedLabels)
{
    ArrayPtr c = sparse_column(5, {1, 2, 4});
    CallResult result = murtal(c.get(), 3, {3, 1, 2.9, 0, 1});
    expect_success(result);
    ASSERT_EQ(mxGetM(result.outputs[0].get()), 3u);
    ASSERT_EQ(mxGetN(result.outputs[0].get()), 1u);
    EXPECT_EQ(counts(result), (std::vector<double>{2, 1, 0}));
}

TEST(MurtalCounting, CountsAddUpToTheStoredEntries)
{
    const std::size_t rows = 1000;
    std::vector<mwIndex> stored;
    std::vector<double> labels(rows);
    std::vector<double> expected(7, 0.0);
    for (std::size_t r = 0; r < rows; ++r) {
        labels[r] = 1 + static_cast<double>((r * 37) % 7) + 0.25;
        if (r % 3 != 1) {
            stored.push_back(r);
            expected[static_cast<std::size_t>(labels[r]) - 1] += 1.0;
        }
    }
    ArrayPtr c = sparse_column(rows, stored);
    CallResult result = murtal(c.get(), 7, labels);
    expect_success(result);
    EXPECT_EQ(counts(result), expected);
}

TEST(MurtalCounting, LabelsOneAndKCountIntoTheFirstAndLastElement)
{
    ArrayPtr c = sparse_column(3, {0, 2});
    EXPECT_EQ(counts(murtal(c.get(), 4, {1, 99, 4})), (std::vector<double>{1, 0, 0, 1}));
    // K + 0.5 truncates to K.
    EXPECT_EQ(counts(murtal(c.get(), 4, {4.5, 0, 1})), (std::vector<double>{1, 0, 0, 1}));
}

TEST(MurtalCounting, KIsTruncated)
{
    ArrayPtr c = sparse_column(2, {0});
    CallResult result = murtal(c.get(), 3.8, {3.9, 0});
    EXPECT_EQ(counts(result), (std::vector<double>{0, 0, 1}));
    expect_error(murtal(c.get(), 3.8, {4, 0}), "", "Invalid cluster label value");
    // A negative K above -1 truncates to 0.
    ArrayPtr none = sparse_column(2, {});
    result = murtal(none.get(), -0.5, {});
    expect_success(result);
    EXPECT_EQ(mxGetM(result.outputs[0].get()), 0u);
}

TEST(MurtalCounting, LabelsAtRowsWithoutEntriesAreNeverRead)
{
    ArrayPtr c = sparse_column(4, {1});
    EXPECT_EQ(counts(murtal(c.get(), 2, {0, 2, nan, -7})), (std::vector<double>{0, 1}));
    // No stored entries: L is not read at all, an empty L included.
    ArrayPtr empty_c = sparse_column(6, {});
    ArrayPtr k = make_scalar(3);
    ArrayPtr empty_l = make_dense(ArrayClass::Double, 0, 0);
    CallResult result = murtal(empty_c.get(), k.get(), empty_l.get());
    expect_success(result);
    EXPECT_EQ(counts(result), (std::vector<double>{0, 0, 0}));
    ArrayPtr no_rows = sparse_column(0, {});
    expect_success(murtal(no_rows.get(), k.get(), empty_l.get()));
}

TEST(MurtalCounting, EveryInvalidLabelAtAStoredRowEndsTheCall)
{
    ArrayPtr c = sparse_column(2, {0, 1});
    for (double bad : {0.0, 0.7, -0.3, 3.0, nan, inf, -inf, 4.0e9, -4.0e9})
        expect_error(murtal(c.get(), 2, {1, bad}), "", "Invalid cluster label value");
    // K of 0 or 0.5: no label is valid as soon as an entry is stored.
    expect_error(murtal(c.get(), 0.5, {1, 1}), "", "Invalid cluster label value");
}

TEST(MurtalCounting, FailedCallLeavesNoArrayBehind)
{
    ArrayPtr c = sparse_column(3, {0, 1, 2});
    std::size_t before = live_array_count();
    // The result exists and is partly counted when the third label fails.
    expect_error(murtal(c.get(), 2, {1, 2, 3}), "", "Invalid cluster label value");
    EXPECT_EQ(live_array_count(), before);
}

TEST(MurtalCounting, NoRequestedOutputStillFillsTheFirstSlot)
{
    ArrayPtr c = sparse_column(2, {1});
    CallResult result = murtal(c.get(), 2, {0, 2}, 0);
    expect_success(result);
    ASSERT_TRUE(result.outputs[0]);
    EXPECT_EQ(counts(result), (std::vector<double>{0, 1}));
}

TEST(MurtalCounting, PatternCountsWhateverTheClassOfC)
{
    ArrayPtr k = make_scalar(2);
    ArrayPtr l = make_column({2, 1, 2});
    ArrayPtr patterns[] = {sparse_column(3, {0, 2}, ArrayClass::Logical),
                           sparse_column(3, {0, 2}, ArrayClass::Double, true),
                           make_sparse(3, 1, {0, 2}, {0, 2})};
    for (const ArrayPtr &c : patterns) {
        CallResult result = murtal(c.get(), k.get(), l.get());
        expect_success(result);
        EXPECT_EQ(counts(result), (std::vector<double>{0, 2}));
    }
}

TEST(MurtalCounting, LabelsAreReadInStorageOrderWhateverTheirShape)
{
    ArrayPtr c = sparse_column(4, {0, 1, 3});
    ArrayPtr k = make_scalar(3);
    ArrayPtr row = make_row({3, 2, 9, 2, 7});
    ArrayPtr matrix = make_double(2, 3, {3, 2, 9, 2, 7, 7});
    for (const mxArray *l : {row.get(), matrix.get()})
        EXPECT_EQ(counts(murtal(c.get(), k.get(), l)), (std::vector<double>{0, 2, 1}));
    // Only the real part of a complex L is used.
    ArrayPtr complex_l = make_double(4, 1, {1, 1, 0, 3}, {5, 0, 9, 9});
    EXPECT_EQ(counts(murtal(c.get(), k.get(), complex_l.get())), (std::vector<double>{2, 0, 1}));
}

TEST(MurtalCounting, KIsAnyValueTheHostReadsAsANumber)
{
    ArrayPtr c = sparse_column(3, {0, 2});
    ArrayPtr l = make_column({1, 2, 1});
    // Any class with numbers counts with its first element: int32(0) is
    // K = 0, true is 1, char 2 is 2, and a 1-by-1 sparse K its one value.
    ArrayPtr integer_k = make_dense(ArrayClass::Int32, 1, 1);
    expect_error(murtal(c.get(), integer_k.get(), l.get()), "", "Invalid cluster label value");
    ArrayPtr longer_k = make_row({1, 99});
    ArrayPtr ones = make_column({1, 1, 1});
    EXPECT_EQ(counts(murtal(c.get(), longer_k.get(), ones.get())), (std::vector<double>{2}));
    ArrayPtr logical_k = make_filled(ArrayClass::Logical, 1, 1, {1});
    EXPECT_EQ(counts(murtal(c.get(), logical_k.get(), ones.get())), (std::vector<double>{2}));
    ArrayPtr char_k = make_filled(ArrayClass::Char, 1, 1, {2});
    EXPECT_EQ(counts(murtal(c.get(), char_k.get(), l.get())), (std::vector<double>{2, 0}));
    ArrayPtr sparse_k = make_sparse(1, 1, {0}, {0, 1}, ArrayClass::Double, false, {2});
    EXPECT_EQ(counts(murtal(c.get(), sparse_k.get(), l.get())), (std::vector<double>{2, 0}));
}

}  // namespace
