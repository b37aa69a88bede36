// The interval integration on systems whose solutions are known: accuracy,
// the end state exactly at the interval's end, the work counted, a domain
// that the solution leaves, and every way CVODE can fail coming back as its
// outcome with the state untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "interval_integration.h"

namespace {

using interval_integration::DomainCheck;
using interval_integration::Outcome;
using interval_integration::Result;
using interval_integration::RightHandSide;
using interval_integration::Settings;

const double nan = std::numeric_limits<double>::quiet_NaN();

// Settings as the gateway makes them, with the tolerances given.
Settings settings(double interval, double relative, const std::vector<double> &absolute,
                  long max_steps = 100000)
{
    Settings s{relative, {}, absolute.size(), interval / 10, 0.0, max_steps};
    std::copy(absolute.begin(), absolute.end(), s.absolute_tolerance);
    return s;
}

// Every state is inside, unless a test says otherwise.
int everywhere(const double *, void *) { return 0; }
// y[0] must stay above 0 (code 7).
int positive(const double *y, void *) { return y[0] > 0.0 ? 0 : 7; }

Result integrate(RightHandSide rhs, double *y, std::size_t n, double interval,
                 const Settings &s, DomainCheck domain = everywhere)
{
    return interval_integration::integrate(rhs, domain, nullptr, nullptr, y, n, interval, s);
}

// A stiff linear pair, y0' = -y0 and y1' = y0 - 1000 y1: y0 = exp(-t) and
// y1 = (exp(-t) - exp(-1000 t)) / 999 + y1(0) exp(-1000 t).
void stiff_pair(const double *y, double *dydt, void *)
{
    dydt[0] = -y[0];
    dydt[1] = y[0] - 1000.0 * y[1];
}

TEST(IntervalIntegration, StiffLinearSystemMeetsItsExactSolution)
{
    for (const std::vector<double> &absolute : {std::vector<double>{1e-12},
                                                std::vector<double>{1e-12, 1e-14}}) {
        double y[2] = {1.0, 0.5};
        const Result r = integrate(stiff_pair, y, 2, 2.0, settings(2.0, 1e-8, absolute));
        ASSERT_EQ(r.outcome, Outcome::Completed) << r.solver_message;
        EXPECT_EQ(r.time, 2.0);
        const double y0 = std::exp(-2.0);
        const double y1 = (y0 - std::exp(-2000.0)) / 999.0 + 0.5 * std::exp(-2000.0);
        EXPECT_NEAR(y[0], y0, 1e-6 * y0);
        EXPECT_NEAR(y[1], y1, 1e-6 * y1);
        // A stiff system: few steps for a rate of 1000 over 2 time units,
        // and the Jacobian's difference quotients counted as evaluations.
        EXPECT_LT(r.statistics.steps, 2000);
        EXPECT_GE(r.statistics.jacobian_evaluations, 1);
        EXPECT_GE(r.statistics.rhs_evaluations,
                  r.statistics.steps + 2 * r.statistics.jacobian_evaluations);
    }
}

// The stiff pair with a parameter p (0 here) added to y0', and its exact
// derivatives: df/dy = [-1 0; 1 -1000], df/dp = [1; 0].
void stiff_pair_jacobians(const double *, double *state_matrix, double *parameter_matrix, void *)
{
    const double a[4] = {-1.0, 1.0, 0.0, -1000.0};  // column-major
    std::copy(a, a + 4, state_matrix);
    if (parameter_matrix != nullptr) {
        parameter_matrix[0] = 1.0;
        parameter_matrix[1] = 0.0;
    }
}

// The sensitivities of the stiff pair against their closed forms: to the
// start state exp(A t), to p (1 - e^-t, 1/1000 - e^-t/999 + (1/999 -
// 1/1000) e^-1000t), in the error test or not; not, the end state has the
// bits of an integration without them. Over an interval far below the step
// limit they are I + A h and h df/dp to the last bits.
TEST(IntervalIntegration, SensitivitiesMeetTheirExactSolution)
{
    const std::vector<double> absolute{1e-12};
    for (double t : {0.01, 2.0})
    for (bool error_control : {true, false}) {
        SCOPED_TRACE(t);
        SCOPED_TRACE(error_control);
        double y[2] = {1.0, 0.5}, to_state[4], to_p[2];
        const double scale = 1.0;
        interval_integration::Sensitivities wanted;
        wanted.parameters = 1;
        wanted.parameter_scales = &scale;
        wanted.to_state = to_state;
        wanted.to_parameters = to_p;
        wanted.error_control = error_control;
        const Result r = interval_integration::integrate(stiff_pair, everywhere,
                                                         stiff_pair_jacobians, nullptr, y, 2, t,
                                                         settings(t, 1e-10, absolute), &wanted);
        ASSERT_EQ(r.outcome, Outcome::Completed) << r.solver_message;
        double plain[2] = {1.0, 0.5};
        const Result p = interval_integration::integrate(stiff_pair, everywhere,
                                                         stiff_pair_jacobians, nullptr, plain, 2,
                                                         t, settings(t, 1e-10, absolute));
        if (!error_control) {
            EXPECT_EQ(std::memcmp(y, plain, sizeof y), 0);
            EXPECT_EQ(r.statistics.steps, p.statistics.steps);
        }
        const double e1 = std::exp(-t), e1000 = std::exp(-1000.0 * t);
        const double expected_state[4] = {e1, (e1 - e1000) / 999.0, 0.0, e1000};
        const double expected_p[2] = {1.0 - e1, 1.0 / 1000 - e1 / 999 + (1.0 / 999 - 1.0 / 1000) * e1000};
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(to_state[k], expected_state[k], 1e-6 * std::abs(expected_state[k]) + 1e-10) << k;
        for (int k = 0; k < 2; ++k)
            EXPECT_NEAR(to_p[k], expected_p[k], 1e-6 * std::abs(expected_p[k]) + 1e-10) << k;
    }
    double y[2] = {1.0, 0.5}, to_state[4], to_p[2];
    const double h = 1e-120, scale = 1.0;
    interval_integration::Sensitivities wanted{1, &scale, to_state, to_p};
    interval_integration::integrate(stiff_pair, everywhere, stiff_pair_jacobians, nullptr, y, 2, h,
                                    settings(h, 1e-10, absolute), &wanted);
    const double expected_state[4] = {1.0 - h, h, 0.0, 1.0 - 1000.0 * h};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(to_state[k], expected_state[k]) << k;
    EXPECT_EQ(to_p[0], h);
    EXPECT_EQ(to_p[1], 0.0);
}

// y' = 1 with a parameter p (0) added, whose derivatives stop being finite
// where y passes 1 (t = 1): the sensitivities' rates need them at every
// trial state, so the integration ends there, naming the Jacobian.
void rising(const double *, double *dydt, void *) { dydt[0] = 1.0; }
void jacobians_beyond_one(const double *y, double *state_matrix, double *parameter_matrix, void *)
{
    state_matrix[0] = y[0] < 1.0 ? 0.0 : nan;
    if (parameter_matrix != nullptr)
        parameter_matrix[0] = 1.0;
}

TEST(IntervalIntegration, NonFiniteDerivativesEndTheSensitivitiesWhereTheyTurn)
{
    for (bool error_control : {true, false}) {
        double y = 0.0, to_state, to_p;
        const double scale = 1.0;
        interval_integration::Sensitivities wanted{1, &scale, &to_state, &to_p, error_control};
        const Result r = interval_integration::integrate(rising, everywhere, jacobians_beyond_one,
                                                         nullptr, &y, 1, 2.0,
                                                         settings(2.0, 1e-8, {1e-10}), &wanted);
        EXPECT_EQ(r.outcome, Outcome::LeftDomain) << r.solver_message;
        EXPECT_EQ(y, 0.0);
        EXPECT_EQ(r.exit.bound, 0);
        EXPECT_EQ(r.exit.what, interval_integration::Nonfinite::Jacobian);
        EXPECT_NEAR(r.exit.time, 1.0, 1e-6);
        EXPECT_TRUE(std::isnan(r.exit.value));
    }
}

TEST(IntervalIntegration, SameInputsGiveTheSameBits)
{
    double first[2] = {1.0, 0.5}, second[2] = {1.0, 0.5};
    const std::vector<double> absolute{1e-10};
    integrate(stiff_pair, first, 2, 0.7, settings(0.7, 1e-6, absolute));
    integrate(stiff_pair, second, 2, 0.7, settings(0.7, 1e-6, absolute));
    EXPECT_EQ(std::memcmp(first, second, sizeof first), 0);
}

struct Failure {
    const char *what;
    RightHandSide rhs;
    double start;
    double relative, absolute;
    long max_steps;
    Outcome outcome;
    double time;  // where it must stop, within 1e-6
};

// y' = 1 while y < 1: reaches 1 at t = 1, where the derivative stops being finite.
void nan_beyond_one(const double *y, double *dydt, void *) { dydt[0] = y[0] < 1.0 ? 1.0 : nan; }
void nan_everywhere(const double *, double *dydt, void *) { dydt[0] = nan; }
// A slope that jumps by twelve orders of magnitude at y = 1 (t = 1).
void slope_jump(const double *y, double *dydt, void *) { dydt[0] = y[0] < 1.0 ? 1.0 : 1e12; }
// A slope that flips at y = 0: steps shrink toward the least step, 16 eps t,
// and never get past t = 1e-6.
void chatter(const double *y, double *dydt, void *) { dydt[0] = y[0] > 0.0 ? -1e6 : 1e6; }
void decay(const double *y, double *dydt, void *) { dydt[0] = -y[0]; }
void decay_to_one(const double *y, double *dydt, void *) { dydt[0] = 1.0 - y[0]; }
void falling(const double *, double *dydt, void *) { dydt[0] = -1.0; }

// Below single_step_interval one explicit Euler step; at the largest
// intervals the first step is still estimated and the steps run out, with
// the time reached.
TEST(IntervalIntegration, TinyAndHugeIntervals)
{
    const std::vector<double> absolute{1e-12};
    for (double interval : {4.9406564584124654e-324, 2.2250738585072014e-308, 1e-101}) {
        double y[2] = {1.0, 0.5};
        const Result r = integrate(stiff_pair, y, 2, interval, settings(interval, 1e-8, absolute));
        ASSERT_EQ(r.outcome, Outcome::Completed);
        EXPECT_EQ(r.statistics.steps, 1);
        EXPECT_EQ(y[0], 1.0 - interval);
        EXPECT_EQ(y[1], 0.5 + interval * (1.0 - 500.0));
    }
    double y = 1.0;
    Settings limited = settings(1.0, 1e-8, absolute, 1000);
    limited.max_step = 1e6;
    const Result r = integrate(decay_to_one, &y, 1, 1.7976931348623157e308, limited);
    EXPECT_EQ(r.outcome, Outcome::TooMuchWork);
    EXPECT_GT(r.time, 1e8);
    EXPECT_LE(r.time, 1e9);
}

// A solution that runs out of its domain: y' = -1 from 1, with y > 0 the
// domain. It must stop where y reaches 0 (t = 1), whatever the tolerances,
// and never hand back a state outside.
TEST(IntervalIntegration, SolutionLeavingTheDomainStopsWhereItLeaves)
{
    for (double relative : {1e-3, 1e-6, 1e-10}) {
        SCOPED_TRACE(relative);
        double y = 1.0;
        const Result r = integrate(falling, &y, 1, 3.0, settings(3.0, relative, {1e-12}), positive);
        ASSERT_EQ(r.outcome, Outcome::LeftDomain);
        EXPECT_EQ(y, 1.0);
        EXPECT_EQ(r.exit.bound, 7);
        EXPECT_NEAR(r.exit.time, 1.0, 1e-6);
        EXPECT_LE(r.exit.state[0], 0.0);
    }
    // Ending just inside is no exit.
    double y = 1.0;
    const Result r = integrate(falling, &y, 1, 0.999, settings(0.999, 1e-10, {1e-12}), positive);
    EXPECT_EQ(r.outcome, Outcome::Completed);
    EXPECT_NEAR(y, 0.001, 1e-9);
}

TEST(IntervalIntegration, EveryFailureComesBackWithWhereItHappened)
{
    const Failure failures[] = {
        {"non-finite mid-interval", nan_beyond_one, 0.0, 1e-6, 1e-8, 100000, Outcome::LeftDomain, 1.0},
        {"non-finite at the start", nan_everywhere, 0.0, 1e-6, 1e-8, 100000, Outcome::LeftDomain, 0.0},
        {"error test", slope_jump, 0.0, 1e-6, 1e-8, 100000, Outcome::ErrorTestFailures, 1.0},
        {"chatter", chatter, 1.0, 1e-6, 1e-8, 20000, Outcome::TooMuchWork, 1e-6},
        {"too much work", decay, 1.0, 1e-10, 1e-12, 3, Outcome::TooMuchWork, -1.0},
        {"too much accuracy", decay, 1.0, 1e-300, 1e-300, 100000, Outcome::TooMuchAccuracy, 0.0},
    };
    for (const Failure &f : failures) {
        SCOPED_TRACE(f.what);
        double y = f.start;
        const Result r = integrate(f.rhs, &y, 1, 2.0,
                                   settings(2.0, f.relative, {f.absolute}, f.max_steps));
        EXPECT_EQ(r.outcome, f.outcome) << r.solver_message;
        EXPECT_EQ(y, f.start);  // the state is left as it was
        if (f.time >= 0.0)
            EXPECT_NEAR(r.time, f.time, 1e-6);
        else
            EXPECT_GT(r.time, 0.0);
        EXPECT_LT(r.time, 2.0);
        if (f.outcome == Outcome::LeftDomain) {
            EXPECT_NEAR(r.exit.time, f.time, 1e-6);
            EXPECT_EQ(r.exit.bound, 0);
            EXPECT_TRUE(std::isnan(r.exit.value));
        } else {
            EXPECT_EQ(r.solver_message[0] != '\0', f.outcome != Outcome::TooMuchWork);
        }
    }
}

}  // namespace
