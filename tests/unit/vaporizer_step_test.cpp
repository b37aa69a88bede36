// vaporizer_step through the in-process host: the end state and what the
// model gives there, the shapes and counts of the outputs, and states
// outside the model's domain and every failure of the integration ending in
// its error with nothing left behind. What the gateway refuses in its
// arguments is gateway_contract_test's.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <cstring>
#include <limits>
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

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

const char *const statistics_fields[] = {"steps", "failed_steps", "rhs_evaluations",
                                         "jacobian_evaluations", "nonlinear_iterations",
                                         "convergence_failures"};

// The 25 model inputs, the interval and, when given, the options.
struct StepCall {
    std::vector<ArrayPtr> arrays;
    explicit StepCall(const VaporizerInputs &in, double interval)
        : arrays(vaporizer_host_inputs(in))
    {
        arrays.push_back(make_scalar(interval));
    }
    StepCall &options(std::vector<Field> fields)
    {
        arrays.resize(26);
        arrays.push_back(make_struct(std::move(fields)));
        return *this;
    }
    CallResult call(int nlhs = 6) const
    {
        std::vector<const mxArray *> inputs;
        for (const ArrayPtr &a : arrays)
            inputs.push_back(a.get());
        return call_gateway(mexFunction, nlhs, inputs);
    }
};

std::vector<Field> tight_options()
{
    std::vector<Field> fields;
    fields.emplace_back("RelTol", make_scalar(1e-8));
    fields.emplace_back("AbsTol", make_scalar(1e-10));
    fields.emplace_back("Events", make_dense(ArrayClass::Double, 0, 0));  // empty: ignored
    return fields;
}

bool same_bits(const std::vector<double> &a, const std::vector<double> &b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// Outputs 2 to 5 are bit for bit what the model gives at the end state.
void expect_model_outputs_at(const CallResult &result, VaporizerInputs in)
{
    in.state = values(result.outputs[0].get());
    in.state.resize(8);
    const VaporizerOutputs expected = run_vaporizer(vaporizer_model::vaporizer_derivatives, in);
    EXPECT_EQ(values(result.outputs[1].get()), std::vector<double>{expected.level});
    std::vector<double> vapour = values(result.outputs[2].get());
    vapour.resize(7);
    EXPECT_TRUE(same_bits(vapour, expected.vapour_comp));
    EXPECT_EQ(values(result.outputs[3].get()), std::vector<double>{expected.temperature});
    EXPECT_TRUE(same_bits(values(result.outputs[4].get()), {expected.pressure}));
}

double statistic(const CallResult &result, const char *field)
{
    return mxGetScalar(mxGetField(result.outputs[5].get(), 0, field));
}

TEST(VaporizerStep, ZeroIntervalReturnsTheStateAndTheModelThere)
{
    VaporizerInputs in;
    StepCall step(in, 0.0);
    // A row state with two elements past the 8th, copied unchanged.
    std::vector<double> state = in.state;
    state.insert(state.end(), {-3.5, nan});
    step.arrays[0] = make_row(state);
    const CallResult result = step.call();
    expect_success(result);
    ASSERT_EQ(result.outputs.size(), 6u);
    EXPECT_EQ(mxGetM(result.outputs[0].get()), 1u);
    EXPECT_TRUE(same_bits(values(result.outputs[0].get()), state));
    expect_model_outputs_at(result, in);
    for (const char *field : statistics_fields)
        EXPECT_EQ(statistic(result, field), 0.0) << field;
}

TEST(VaporizerStep, EndOutputsAreTheModelsAtTheEndStateForAnyOutputCount)
{
    VaporizerInputs in;
    StepCall step(in, 5.0);
    step.options(tight_options());
    step.arrays[4] = make_row(in.feed1_comp);  // output 3 takes its shape
    const CallResult result = step.call();
    expect_success(result);
    const std::vector<double> end = values(result.outputs[0].get());
    EXPECT_EQ(mxGetN(result.outputs[0].get()), 1u);
    EXPECT_NE(end[7], in.state[7]);
    EXPECT_EQ(mxGetN(result.outputs[2].get()), 7u);
    expect_model_outputs_at(result, in);
    EXPECT_GT(statistic(result, "steps"), 0.0);
    EXPECT_GE(statistic(result, "rhs_evaluations"), statistic(result, "steps"));

    // Fewer outputs: only those are made, and the end state keeps its bits;
    // so it does with the sensitivities out of the error test, which then
    // take the state's steps: the same statistics.
    std::vector<Field> fields = tight_options();
    fields.emplace_back("SensitivityErrorControl", make_filled(ArrayClass::Logical, 1, 1, {0}));
    step.options(std::move(fields));
    for (int nlhs = 0; nlhs <= 8; ++nlhs) {
        const CallResult other = step.call(nlhs);
        expect_success(other);
        ASSERT_EQ(other.outputs.size(), static_cast<std::size_t>(std::max(nlhs, 1)));
        EXPECT_TRUE(same_bits(values(other.outputs[0].get()), end)) << nlhs << " outputs";
        for (const char *field : statistics_fields) {
            if (nlhs > 6) {
                EXPECT_EQ(statistic(other, field), statistic(result, field)) << field;
            }
        }
    }
}

// A call made bad in one way, and the error it must end in.
struct BadCall {
    const char *what;
    std::function<void(StepCall &, int &nlhs)> spoil;
    const char *identifier;
    std::string message;
};

std::vector<Field> one_option(const char *name, ArrayPtr value)
{
    std::vector<Field> fields;
    fields.emplace_back(name, std::move(value));
    return fields;
}

// A call whose input at slot is value, over an interval below 1e-100, with
// nlhs outputs (7 or 8: the sensitivities): the model's Jacobian there is
// not finite in the element `which` names.
BadCall nonfinite_jacobian(const char *what, int slot, double value, double interval, int nlhs,
                           const std::string &which)
{
    char bounds[64];
    std::snprintf(bounds, sizeof bounds, "[0, %g]", interval);
    return {what,
            [=](StepCall &s, int &outputs) {
                s.arrays[slot] = make_scalar(value);
                s.arrays[25] = make_scalar(interval);
                outputs = nlhs;
            },
            "vaporizer_step:leftDomain",
            std::string("the model's Jacobian is not finite at the state reached at t = 0 within "
                        "the interval ") +
                bounds + ": the derivative of rate " + which + " (level 1.2, temperature 78.5)"};
}

const BadCall bad_calls[] = {
    {"empty vessel",
     [](StepCall &s, int &) { s.arrays[0] = make_column({0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0, 50}); },
     "vaporizer_step:stateOutsideDomain",
     "input 1 (state) is outside the model's domain: the level (element 7) is 0; it must be above 0"},
    {"below absolute zero",
     [](StepCall &s, int &) { s.arrays[0] = make_column({0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 1, -273.15}); },
     "vaporizer_step:stateOutsideDomain",
     "input 1 (state) is outside the model's domain: the temperature (element 8) is -273.15, at "
     "or below absolute zero of the property set, -temperature_offset = -273.15"},
    {"beyond a vapour pressure's pole",
     [](StepCall &s, int &) { s.arrays[0] = make_column({0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 1, -206}); },
     "vaporizer_step:stateOutsideDomain",
     "input 1 (state) is outside the model's domain: the temperature (element 8) is -206, at or "
     "below the pole of the vapour pressure of component 4, -antoine_c(4) = -205.807"},
    {"fractions summing past 1",
     [](StepCall &s, int &) { s.arrays[0] = make_column({0.2, 0.2, 0.2, 0.2, 0.2, 0.2, 1, 50}); },
     "vaporizer_step:stateOutsideDomain",
     "input 1 (state) is outside the model's domain: the mole fraction of component 4 is -0.2, "
     "outside [0, 1] by more than 1e-06"},
    {"steps too small", [](StepCall &s, int &) { s.options(one_option("MaxStep", make_scalar(1e-6))); },
     "vaporizer_step:tooMuchWork",
     "CVODE took 100000 steps and stopped at t = 0.099999 within the interval [0, 5] (step size "
     "1e-06); split the interval, or raise MaxStep if it limits the step"},
    {"NaN temperature_offset", [](StepCall &s, int &) { s.arrays[24] = make_scalar(nan); },
     "vaporizer_step:undefinedDomain",
     "input 25 (temperature_offset) is NaN, so the model's domain (T + temperature_offset > 0) "
     "is not defined"},
    {"NaN antoine_c",
     [](StepCall &s, int &) {
         VaporizerInputs in;
         in.antoine_c[5] = nan;
         s.arrays[21] = make_column(in.antoine_c);
     },
     "vaporizer_step:undefinedDomain",
     "input 22 (antoine_c) element 6 is NaN, so the model's domain (T + antoine_c > 0 where "
     "antoine_b < 0) is not defined"},
    // With its sensitivities, the single explicit step of an interval below
    // 1e-100 checks the derivatives it returns, as the integration does.
    nonfinite_jacobian("infinite area", 9, inf, 1e-120, 8, "1 by state element 1 is NaN"),
    nonfinite_jacobian("heat of 1e308", 2, 1e308, 1e-50, 7, "8 by state element 1 is -Inf"),
    {"tolerances beyond doubles",
     [](StepCall &s, int &) {
         std::vector<Field> fields = one_option("RelTol", make_scalar(1e-300));
         fields.emplace_back("AbsTol", make_scalar(1e-300));
         s.options(std::move(fields));
     },
     "vaporizer_step:tooMuchAccuracy",
     "the tolerances ask for more accuracy than doubles hold at t = 0 within the interval [0, "
     "5] (step size 1.11022e-13); raise RelTol or AbsTol (CVODE: At t = 0, too much accuracy "
     "requested.)"},
};

TEST(VaporizerStep, StatesOutsideTheDomainAndFailedIntegrationsEndInTheirErrorsLeavingNothing)
{
    const std::size_t before = live_array_count();
    for (const BadCall &bad : bad_calls) {
        SCOPED_TRACE(bad.what);
        StepCall step(VaporizerInputs(), 5.0);
        int nlhs = 6;
        bad.spoil(step, nlhs);
        expect_error(step.call(nlhs), bad.identifier, bad.message);
    }
    EXPECT_EQ(live_array_count(), before);
}

TEST(VaporizerStep, OptionsAreMatchedWithoutCaseAndEmptyOnesIgnored)
{
    VaporizerInputs in;
    StepCall exact(in, 5.0), lower_case(in, 5.0), none(in, 5.0), empty(in, 5.0);
    exact.options(tight_options());
    std::vector<Field> fields;
    fields.emplace_back("reltol", make_scalar(1e-8));
    fields.emplace_back("ABSTOL", make_column(std::vector<double>(8, 1e-10)));
    fields.emplace_back("Mass", nullptr);
    lower_case.options(std::move(fields));
    empty.arrays.push_back(make_dense(ArrayClass::Double, 0, 0));
    const CallResult a = exact.call(1), b = lower_case.call(1), c = none.call(1), d = empty.call(1);
    for (const CallResult *r : {&a, &b, &c, &d})
        expect_success(*r);
    EXPECT_TRUE(same_bits(values(a.outputs[0].get()), values(b.outputs[0].get())));
    EXPECT_TRUE(same_bits(values(c.outputs[0].get()), values(d.outputs[0].get())));
    EXPECT_FALSE(same_bits(values(a.outputs[0].get()), values(c.outputs[0].get())));
}

// A vapour draw far above both feeds empties the vessel within the
// interval: at the defaults, at tight and at loose tolerances, and over
// random draws and starting levels, the call ends in the one error that says
// the vessel ran dry, never in a state. Without the heat to boil it, the
// draw cools the liquid instead, toward the pole of a vapour pressure, and
// the error names that pole: the fractions, which the trial steps overshoot
// there, cannot leave [0, 1] with these feeds.
TEST(VaporizerStep, LeavingTheDomainEndsInOneErrorNamingTheBoundCrossed)
{
    std::mt19937_64 random(17);
    const std::vector<std::vector<Field> (*)()> tolerances = {
        [] { return std::vector<Field>{}; }, tight_options,
        [] { return one_option("RelTol", make_scalar(1e-3)); }};
    const std::size_t before = live_array_count();
    for (int trial = 0; trial < 12; ++trial) {
        VaporizerInputs in;
        in.vapour_flow = uniform(random, 20.0, 60.0);
        in.heat_input = in.vapour_flow * uniform(random, 5e4, 7e4);
        in.state[6] = uniform(random, 0.05, 1.5);
        const bool cooled = trial % 2 == 1;
        if (cooled)
            in.heat_input = uniform(random, 0.0, 2e4);
        StepCall step(in, 5000.0);
        step.options(tolerances[trial % 3]());
        const CallResult result = step.call();
        SCOPED_TRACE(result.message);
        EXPECT_EQ(result.identifier, "vaporizer_step:leftDomain");
        const std::size_t at = result.message.find(" at t = ");
        ASSERT_NE(at, std::string::npos);
        const double when = std::stod(result.message.substr(at + 8));
        EXPECT_GT(when, 0.0);
        EXPECT_LT(when, 5000.0);
        if (cooled) {
            EXPECT_EQ(result.message.rfind("the temperature fell to ", 0), 0u);
            EXPECT_NE(result.message.find(", the pole of the vapour pressure of component "),
                      std::string::npos);
        } else {
            EXPECT_EQ(result.message.rfind("the level fell to ", 0), 0u);
            EXPECT_NE(result.message.find(", a millionth of where it started, at t = "),
                      std::string::npos);
            EXPECT_NE(result.message.find("within the interval [0, 5000]: the vessel ran dry"),
                      std::string::npos);
        }
    }
    EXPECT_EQ(live_array_count(), before);
}

// Every setting derived from the inputs (the default MaxStep, the absolute
// tolerances from the state's scales) is computed in the fixed environment:
// the caller's rounding direction changes no bit.
TEST(VaporizerStep, TheCallersRoundingModeChangesNoBit)
{
    std::mt19937_64 random(29);
    for (int trial = 0; trial < 6; ++trial) {
        VaporizerInputs in = random_vaporizer_inputs(random);
        in.state = VaporizerInputs().state;
        in.state[7] = uniform(random, 60.0, 95.0);
        StepCall step(in, uniform(random, 0.1, 60.0));
        if (trial % 2 == 1)
            step.options(tight_options());
        const std::vector<double> nearest = values(step.call(1).outputs[0].get());
        for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
            std::fesetround(mode);
            const CallResult result = step.call(1);
            std::fesetround(FE_TONEAREST);
            expect_success(result);
            EXPECT_TRUE(same_bits(values(result.outputs[0].get()), nearest))
                << "trial " << trial << ", rounding mode " << mode;
        }
    }
}

// The smallest interval gives the state one Euler step on; the largest ends
// in tooMuchWork at the time it reached; InitialStep is clamped into
// [16 eps interval, MaxStep], so a denormal one or one above MaxStep gives
// the bits of the clamped value.
TEST(VaporizerStep, LimitsOfTheIntervalAndTheSteps)
{
    VaporizerInputs in;
    StepCall tiniest(in, 4.9406564584124654e-324);
    const CallResult tiny = tiniest.call(1);
    expect_success(tiny);
    EXPECT_TRUE(same_bits(values(tiny.outputs[0].get()), in.state));

    StepCall huge(in, 1e300);
    const CallResult result = huge.call(1);
    EXPECT_EQ(result.identifier, "vaporizer_step:tooMuchWork");
    EXPECT_EQ(result.message.rfind("CVODE took 100000 steps and stopped at t = ", 0), 0u)
        << result.message;

    const auto end_state = [&](double initial_step, double max_step) {
        StepCall step(in, 2.0);
        std::vector<Field> fields = one_option("InitialStep", make_scalar(initial_step));
        fields.emplace_back("MaxStep", make_scalar(max_step));
        step.options(std::move(fields));
        const CallResult r = step.call(1);
        expect_success(r);
        return values(r.outputs[0].get());
    };
    const double least = 16 * std::numeric_limits<double>::epsilon() * 2.0;
    EXPECT_TRUE(same_bits(end_state(1e-323, 0.2), end_state(least, 0.2)));
    EXPECT_TRUE(same_bits(end_state(5.0, 0.2), end_state(0.2, 0.2)));
    EXPECT_FALSE(same_bits(end_state(1e-3, 0.2), end_state(0.2, 0.2)));
}

}  // namespace
