// transmission_update on plain arrays: the two threshold tests, the shift,
// the clip, the lag chain's use of the previous call's states, and exact
// bits against a plain step-by-step evaluation over many calls.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "transmission_update.h"

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();
const double threshold = 1.0e-4;

// Outputs are filled with this before a call, so that any element the update
// should not write shows up.
const double untouched = -12345.5;

std::uint64_t bits(double value)
{
    std::uint64_t b;
    std::memcpy(&b, &value, sizeof b);
    return b;
}

std::vector<std::uint64_t> bits(const std::vector<double> &values)
{
    std::vector<std::uint64_t> result;
    for (double v : values)
        result.push_back(bits(v));
    return result;
}

struct Step {
    double new_value = 0.5;
    std::vector<double> line{0.0};
    std::vector<double> lags{};
    double delay_time = 1.0;
    double time_constant = 2.0;
    std::int32_t delay_length = 1;
    std::int32_t stage_count = 0;
    double time_step = 0.5;
    double range_low = 0.0;
    double range_high = 1.0;
};

struct Result {
    std::vector<double> line, lags;
};

Result run(const Step &s, double fill = untouched)
{
    Result r{std::vector<double>(s.line.size(), fill), std::vector<double>(s.lags.size(), fill)};
    transmission_update(r.line.data(), r.lags.data(), s.new_value, s.line.data(), s.lags.data(),
                        s.delay_time, s.time_constant, s.delay_length, s.stage_count,
                        s.time_step, s.range_low, s.range_high);
    return r;
}

// The step written out literally, one cell and one operation at a time, on
// zero-filled outputs.
Result plain_step(const Step &s)
{
    Result r{std::vector<double>(s.line.size(), 0.0), std::vector<double>(s.lags.size(), 0.0)};
    const int L = s.delay_length, n = s.stage_count;
    if (s.delay_time >= 1.0e-4)
        for (int j = L - 1; j >= 1; --j)
            r.line[j] = s.line[j - 1];
    double f = s.new_value - s.range_low;
    const double span = s.range_high - s.range_low;
    f = f / span;
    r.line[0] = f;
    if (r.line[0] < 0.0)
        r.line[0] = 0.0;
    else if (r.line[0] > 1.0)
        r.line[0] = 1.0;
    if (n <= 0)
        return r;
    const double u = r.line[L - 1];
    for (int i = 0; i < n; ++i) {
        if (s.time_constant > 1.0e-4) {
            const double in = i == 0 ? u : s.lags[i - 1];
            const double diff = in - s.lags[i];
            const double d = diff / s.time_constant;
            const double step = d * s.time_step;
            r.lags[i] = s.lags[i] + step;
        } else {
            r.lags[i] = u;
        }
    }
    return r;
}

TEST(TransmissionDelayLine, AdvancesAtExactlyTheThresholdButNotBelowOrAtNaN)
{
    Step s;
    s.line = {0.25, 0.5, 0.75};
    s.delay_length = 3;
    s.new_value = 0.125;
    s.delay_time = threshold;
    EXPECT_EQ(run(s, 0.0).line, (std::vector<double>{0.125, 0.25, 0.5}));
    for (double below : {std::nextafter(threshold, 0.0), 0.0, -1.0, nan}) {
        s.delay_time = below;
        EXPECT_EQ(bits(run(s, 0.0).line), bits({0.125, 0.0, 0.0})) << below;
        // Cells 1 and up are not written at all: the zero fill is what remains.
        EXPECT_EQ(run(s).line, (std::vector<double>{0.125, untouched, untouched})) << below;
    }
}

TEST(TransmissionDelayLine, OldCellLMinus2BecomesTheDelayedSignalAndTheTailStaysUnwritten)
{
    Step s;
    s.line = {0.1, 0.2, 0.3, 0.4, 0.5};
    s.lags = {0.0, 0.0};
    s.delay_length = 3;
    s.stage_count = 2;
    s.time_constant = threshold;  // bypass: every stage shows u
    s.new_value = 0.9;
    Result r = run(s);
    EXPECT_EQ(r.line, (std::vector<double>{0.9, 0.1, 0.2, untouched, untouched}));
    EXPECT_EQ(r.lags, (std::vector<double>{0.2, 0.2}));
    // Not advancing, the delayed signal is the zero of the fresh output.
    s.delay_time = 0.0;
    EXPECT_EQ(bits(run(s, 0.0).lags), bits({0.0, 0.0}));
}

TEST(TransmissionDelayLine, LengthOneFeedsTheChainWithThisCallsFraction)
{
    Step s;
    s.line = {0.7, 0.6};
    s.lags = {0.0, 0.3, 0.0};
    s.delay_length = 1;
    s.stage_count = 3;
    s.new_value = 3.0;
    s.range_low = 2.0;
    s.range_high = 6.0;
    s.time_constant = 0.0;
    Result r = run(s);
    EXPECT_EQ(r.line, (std::vector<double>{0.25, untouched}));
    EXPECT_EQ(r.lags, (std::vector<double>{0.25, 0.25, 0.25}));
    // Clipped before it is read: above the span, the chain sees 1.
    s.new_value = 10.0;
    EXPECT_EQ(run(s).lags, (std::vector<double>{1.0, 1.0, 1.0}));
}

TEST(TransmissionLagChain, ActiveJustAboveTheThresholdBypassedAtItAndAtNaN)
{
    Step s;
    s.line = {0.0, 0.5};
    s.lags = {0.25};
    s.delay_length = 2;
    s.stage_count = 1;
    s.time_step = 1.0e-6;
    const double above = std::nextafter(threshold, 1.0);
    s.time_constant = above;
    EXPECT_EQ(bits(run(s).lags[0]), bits(0.25 + ((0.0 - 0.25) / above) * 1.0e-6));
    for (double bypass : {threshold, 0.0, -3.0, nan}) {
        s.time_constant = bypass;
        EXPECT_EQ(run(s).lags, (std::vector<double>{0.0})) << bypass;
    }
}

TEST(TransmissionLagChain, EachStageUsesThePreviousCallsStateOfTheStageBefore)
{
    Step s;
    s.line = {0.0, 0.8};
    s.lags = {0.1, 0.4, 0.9, 7.0};
    s.delay_length = 2;
    s.stage_count = 3;
    s.time_constant = 0.3;
    s.time_step = 0.7;
    Result r = run(s);
    const double T = 0.3, h = 0.7;
    EXPECT_EQ(bits(r.lags), bits({0.1 + ((0.0 - 0.1) / T) * h, 0.4 + ((0.1 - 0.4) / T) * h,
                                  0.9 + ((0.4 - 0.9) / T) * h, untouched}));
}

TEST(TransmissionLagChain, CountsOfZeroOrLessWriteNoStage)
{
    Step s;
    s.line = {0.0};
    s.lags = {0.5, 0.5};
    for (std::int32_t n : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
        s.stage_count = n;
        EXPECT_EQ(run(s).lags, (std::vector<double>{untouched, untouched})) << n;
    }
    // With no stage to feed, a delay length of 0 reads no cell.
    s.delay_length = 0;
    s.stage_count = 0;
    EXPECT_EQ(run(s).line, (std::vector<double>{0.5}));
}

TEST(TransmissionClip, FractionsOfTheSpanClipIntoZeroToOne)
{
    Step s;
    s.range_low = 4.0;
    s.range_high = 20.0;
    struct Case { double value, cell; } cases[] = {
        {4.0, 0.0}, {20.0, 1.0}, {8.0, 0.25}, {3.0, 0.0}, {-inf, 0.0},
        {21.0, 1.0}, {inf, 1.0}, {std::nextafter(20.0, 30.0), 1.0},
    };
    for (const Case &c : cases) {
        s.new_value = c.value;
        EXPECT_EQ(bits(run(s).line[0]), bits(c.cell)) << c.value;
    }
    s.new_value = nan;
    EXPECT_TRUE(std::isnan(run(s).line[0]));
}

TEST(TransmissionClip, ZeroWidthSpanClipsItsInfinitiesAndKeepsItsNaN)
{
    Step s;
    s.range_low = s.range_high = 2.0;
    s.new_value = 2.5;
    EXPECT_EQ(run(s).line[0], 1.0);
    s.new_value = 1.5;
    EXPECT_EQ(bits(run(s).line[0]), bits(0.0));
    s.new_value = 2.0;
    EXPECT_TRUE(std::isnan(run(s).line[0]));
    // NaN reaches the chain as it is.
    s.lags = {0.0};
    s.stage_count = 1;
    EXPECT_TRUE(std::isnan(run(s).lags[0]));
}

TEST(TransmissionClip, FallingScaleUsesTheSameFormulaAndClip)
{
    Step s;
    s.range_low = 20.0;
    s.range_high = 4.0;
    s.new_value = 8.0;
    EXPECT_EQ(run(s).line[0], 0.75);
    s.new_value = 2.0;
    EXPECT_EQ(run(s).line[0], 1.0);
    s.new_value = 30.0;
    EXPECT_EQ(bits(run(s).line[0]), bits(0.0));
    // 0 / -16 is -0.0: exactly zero, which the clip leaves as it is.
    s.new_value = 20.0;
    EXPECT_EQ(bits(run(s).line[0]), bits(-0.0));
}

TEST(TransmissionExactBits, ManyStepsAgreeWithAPlainEvaluationInOrder)
{
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Step s;
    s.line.assign(9, 0.0);
    s.lags.assign(5, 0.0);
    for (int call = 0; call < 2000; ++call) {
        s.new_value = -3.0 + 30.0 * unit(random);
        s.range_low = 1.0 + unit(random);
        s.range_high = 17.0 + 5.0 * unit(random);
        s.delay_time = unit(random) < 0.9 ? 0.1 : 5.0e-5;
        s.time_constant = unit(random) < 0.95 ? 0.01 + 3.0 * unit(random) : 1.0e-5;
        s.time_step = 0.001 + 0.3 * unit(random);
        s.delay_length = 1 + static_cast<std::int32_t>(call / 200) % 9;
        s.stage_count = static_cast<std::int32_t>(call / 300) % 6;
        Result expected = plain_step(s);
        Result actual = run(s, 0.0);
        ASSERT_EQ(bits(actual.line), bits(expected.line)) << "call " << call;
        ASSERT_EQ(bits(actual.lags), bits(expected.lags)) << "call " << call;
        s.line = actual.line;
        s.lags = actual.lags;
    }
}

}  // namespace
