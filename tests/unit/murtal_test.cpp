// murtal through the in-process host: argument checks in their order,
// counting, truncation of K and labels, and every input outside the data model.
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
const std::string bad_cluster_count =
    "input 2 (K) must truncate to a cluster count from 0 to 2147483647";

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

TEST(MurtalChecks, CountsAreCheckedFirstInputsBeforeOutputs)
{
    ArrayPtr c = sparse_column(1, {0});
    ArrayPtr k = make_scalar(1);
    ArrayPtr l = make_scalar(1);
    ArrayPtr dense = make_column({1, 0});
    expect_error(call_gateway(mexFunction, 2, {c.get(), k.get()}), "",
                 "Wrong number of input arguments");
    expect_error(call_gateway(mexFunction, 2, {c.get(), k.get(), l.get(), l.get()}), "",
                 "Wrong number of input arguments");
    expect_error(call_gateway(mexFunction, 1, {}), "", "Wrong number of input arguments");
    expect_error(murtal(c.get(), k.get(), l.get(), 2), "", "Too many output arguments");
    expect_error(murtal(dense.get(), k.get(), l.get(), 2), "", "Too many output arguments");
    expect_success(murtal(c.get(), k.get(), l.get(), 1));
}

TEST(MurtalChecks, CMustBeOneSparseColumn)
{
    ArrayPtr bad_k = make_dense(ArrayClass::Cell, 1, 1);
    ArrayPtr l = make_scalar(1);
    ArrayPtr dense_column = make_column({1, 0});
    ArrayPtr dense_scalar = make_scalar(1);
    expect_error(murtal(dense_column.get(), bad_k.get(), l.get()), "", "C must be sparse");
    expect_error(murtal(dense_scalar.get(), bad_k.get(), l.get()), "", "C must be sparse");
    ArrayPtr row = make_sparse(1, 2, {0}, {0, 1, 1});
    ArrayPtr no_column = make_sparse(3, 0, {}, {0});
    ArrayPtr matrix = make_sparse(2, 2, {0, 1}, {0, 1, 2});
    for (const mxArray *c : {row.get(), no_column.get(), matrix.get()})
        expect_error(murtal(c, bad_k.get(), l.get()), "", "C must be a sparse column vector");
    ArrayPtr one_by_one = make_sparse(1, 1, {0}, {0, 1});
    EXPECT_EQ(counts(murtal(one_by_one.get(), 1, {1})), (std::vector<double>{1}));
}

TEST(MurtalChecks, KOutsideZeroTo2Pow31Minus1IsRejectedBeforeTheResultExists)
{
    ArrayPtr c = sparse_column(1, {});
    for (double bad : {-1.0, -7.5, nan, inf, -inf, 2147483648.0, 1e300})
        expect_error(murtal(c.get(), bad, {}), "murtal:badClusterCount", bad_cluster_count);
    // The largest K passes the check; the host then runs out of memory for it.
    CallResult largest = murtal(c.get(), 2147483647.9, {});
    expect_error(largest, "MATLAB:nomem", "Out of memory.");
}

TEST(MurtalChecks, KIsAnyValueTheHostReadsAsANumber)
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

    // Refused: what has no first element to read, and a sparse K of more
    // than one element, whose first stored value is not its first element.
    ArrayPtr bad_ks[] = {make_dense(ArrayClass::Cell, 1, 1), make_dense(ArrayClass::Double, 0, 1),
                         make_sparse(2, 1, {1}, {0, 1}, ArrayClass::Double, false, {2})};
    for (const ArrayPtr &bad_k : bad_ks)
        expect_error(murtal(c.get(), bad_k.get(), l.get()), "murtal:notNumericScalar",
                     "input 2 (K) " + not_numeric_scalar);
}

TEST(MurtalChecks, LMustBeDenseDoubleAndLongEnough)
{
    ArrayPtr c = sparse_column(5, {0, 3});
    ArrayPtr k = make_scalar(2);
    ArrayPtr bad_ls[] = {make_sparse(5, 1, {0, 3}, {0, 2}), make_dense(ArrayClass::Single, 5, 1),
                         make_dense(ArrayClass::Int32, 5, 1), make_dense(ArrayClass::Logical, 5, 1),
                         make_dense(ArrayClass::Char, 5, 1), make_dense(ArrayClass::Cell, 5, 1)};
    for (const ArrayPtr &bad_l : bad_ls)
        expect_error(murtal(c.get(), k.get(), bad_l.get()), "murtal:notDenseDouble",
                     "input 3 (L) " + not_dense_double);
    // Row 3 is the last stored row: L needs four labels, whatever the rows of
    // C, and a short L is refused before any label it holds is judged.
    for (const std::vector<double> &short_l :
         {std::vector<double>{1, 1, 1}, std::vector<double>{5, 1, 1}, std::vector<double>{}})
        expect_error(murtal(c.get(), 2, short_l), "murtal:tooShort",
                     "input 3 (L) " + too_short(4, short_l.size()));
    // Counts print whole up to the tallest column a host makes (2^48 - 1 rows).
    const std::size_t tallest = (std::size_t{1} << 48) - 1;
    ArrayPtr tall = sparse_column(tallest, {tallest - 1});
    expect_error(murtal(tall.get(), 2, {1, 1, 1}), "murtal:tooShort",
                 "input 3 (L) " + too_short(tallest, 3));
    ArrayPtr four = make_column({1, 1, 1, 2});
    EXPECT_EQ(counts(murtal(c.get(), k.get(), four.get())), (std::vector<double>{1, 1}));
}

TEST(MurtalChecks, AColumnOutOfOrderNeverReadsPastL)
{
    // Row 3 is stored first: the last stored row (1) does not show how many
    // labels are read, so the counting pass itself bounds every row, up to
    // the first one past the end of L.
    ArrayPtr c = make_unordered_sparse_column(6, {3, 1});
    ArrayPtr k = make_scalar(2);
    ArrayPtr short_l = make_column({1, 2, 1});
    const std::size_t before = live_array_count();
    expect_error(murtal(c.get(), k.get(), short_l.get()), "murtal:tooShort",
                 "input 3 (L) " + too_short(4, 3));
    EXPECT_EQ(live_array_count(), before);
    ArrayPtr full_l = make_column({1, 2, 1, 1});
    EXPECT_EQ(counts(murtal(c.get(), k.get(), full_l.get())), (std::vector<double>{1, 1}));
}

TEST(MurtalChecks, InputsAreCheckedInPositionOrder)
{
    const std::string l_is = "input 3 (L) ";
    expect_checks_in_order(
        {{{0, [] { return make_column({1, 0, 0, 1, 0}); }, "", "C must be sparse"},
          {0, [] { return make_sparse(1, 2, {0}, {0, 1, 1}); }, "",
           "C must be a sparse column vector"}},
         {{1, [] { return make_dense(ArrayClass::Cell, 1, 1); }, "murtal:notNumericScalar",
           "input 2 (K) " + not_numeric_scalar},
          {1, [] { return make_scalar(nan); }, "murtal:badClusterCount", bad_cluster_count}},
         {{2, [] { return make_dense(ArrayClass::Single, 5, 1); }, "murtal:notDenseDouble",
           l_is + not_dense_double},
          {2, [] { return make_column({1, 1, 1}); }, "murtal:tooShort", l_is + too_short(4, 3)}}},
        [](Replacements bad) {
            ArrayPtr inputs[] = {sparse_column(5, {0, 3}), make_scalar(2),
                                 make_column({1, 2, 1, 2, 1})};
            for (auto &[slot, array] : bad)
                inputs[slot] = std::move(array);
            return murtal(inputs[0].get(), inputs[1].get(), inputs[2].get());
        });
}

}  // namespace
