// FixedEnvironment against a caller that left the FPU rounding upward,
// flushing denormals, with other modes changed and a flag raised; then every
// module through the in-process host under each rounding direction and with
// flush-to-zero, against its bytes in the default environment. The same
// source runs natively and, cross-built, under qemu-aarch64 (tests/aarch64).
// (The x87 side exists only on Windows; the Wine test covers it.)
#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "floating_point_environment.h"
#include "in_process_host.h"
#include "vaporizer_host_inputs.h"

namespace {

using namespace in_process_host;

std::uint64_t bits(double value)
{
    std::uint64_t b;
    std::memcpy(&b, &value, sizeof b);
    return b;
}

// The caller's side of the environment: the modes, and the flags raised.
struct FpuState {
    std::uint64_t modes, flags;
};

#if MEX_SUITE_FIX_MXCSR
// MXCSR, and the x87 control word in the upper half of the modes: fesetround
// sets both, and the C library's printf rounds in the x87 unit's direction.
constexpr std::uint64_t flags_bits = 0x3F;
FpuState read_state()
{
    unsigned short x87 = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(x87) : : "memory");
    const std::uint64_t mxcsr = _mm_getcsr();
    return {std::uint64_t{x87} << 32 | (mxcsr & ~flags_bits), mxcsr & flags_bits};
}
void write_state(FpuState s)
{
    const unsigned short x87 = static_cast<unsigned short>(s.modes >> 32);
    __asm__ __volatile__("fldcw %0" : : "m"(x87) : "memory");
    _mm_setcsr(static_cast<unsigned int>(s.modes | s.flags));
}
constexpr std::uint64_t flush_to_zero = 0x8040;  // and denormals read as zero
constexpr std::uint64_t other_modes = 0;
constexpr std::uint64_t denormal_flag = 0x2, inexact_flag = 0x20;
#elif MEX_SUITE_FIX_FPCR
using namespace floating_point_environment;
FpuState read_state()
{
    const FpcrFpsr registers = read_fpcr_fpsr();
    return {registers.fpcr, registers.fpsr};
}
void write_state(FpuState s)
{
    write_fpcr(s.modes);
    write_fpsr(s.flags);
}
constexpr std::uint64_t flush_to_zero = 1u << 24;
// Default NaN, alternative half precision, half-precision flush-to-zero.
constexpr std::uint64_t other_modes = 1u << 25 | 1u << 26 | 1u << 19;
constexpr std::uint64_t denormal_flag = 0x80, inexact_flag = 0x10;  // denormal: an input flushed
#endif
// Flipped, the bit unmasks the division-by-zero trap on both (qemu, as many
// aarch64 cores, implements no trap and keeps it 0).
constexpr std::uint64_t division_by_zero_trap = 1u << 9;
constexpr std::uint64_t invalid_flag = 0x1;  // on both

}  // namespace

TEST(FixedEnvironment, ComputesInTheDefaultModesAndRestoresTheCallersExactly)
{
#if MEX_SUITE_FIX_MXCSR || MEX_SUITE_FIX_FPCR
    const FpuState before = read_state();
    std::fesetround(FE_UPWARD);
    const std::uint64_t modes =
        (read_state().modes | flush_to_zero | other_modes) ^ division_by_zero_trap;
    write_state({modes, invalid_flag});
    const FpuState callers = read_state();  // without the bits this unit lacks

    volatile double one = 1.0, three = 3.0, zero = 0.0, tiny = 0x1p-1070, half = 0.5;
    volatile double payload = -std::numeric_limits<double>::quiet_NaN();
    double third, quotient, denormal, nan;
    {
        const floating_point_environment::FixedEnvironment fixed;
        third = one / three;       // to nearest, not upward
        quotient = one / zero;     // would trap
        denormal = tiny * half;    // kept, neither read nor flushed as zero
        nan = payload * half;      // the operand's NaN, not the default one
    }
    const FpuState after = read_state();
    write_state(before);

    EXPECT_EQ(bits(third), 0x3FD5555555555555u);
    EXPECT_EQ(quotient, std::numeric_limits<double>::infinity());
    EXPECT_EQ(denormal, 0x1p-1071);
    EXPECT_EQ(bits(nan), bits(payload));
    // Modes and flags as the caller left them: none of the inexact, division
    // or underflow flags raised inside shows.
    EXPECT_EQ(after.modes, callers.modes);
    EXPECT_EQ(after.flags, callers.flags);
#else
    GTEST_SKIP() << "no FPU environment fixed on this architecture";
#endif
}

#include "renamed_gateways.h"

namespace {

struct ModuleCall {
    std::string module;
    Gateway gateway;
    int nlhs;
    std::vector<ArrayPtr> inputs;
    bool runs_dry = false;
    // The flag the gateway raises before the computation, truncating a count.
    std::uint64_t flags_raised = 0;
};

// Successful calls of every module the build has, on seeded inputs, and
// vaporizer_step calls that end in the vessel running dry.
std::vector<ModuleCall> module_calls()
{
    std::vector<ModuleCall> calls;
    std::mt19937_64 random(61);
    for (int k = 0; k < 8; ++k) {
        VaporizerInputs in = k == 0 ? VaporizerInputs() : random_vaporizer_inputs(random);
        if (k % 2 == 1)  // a denormal mole fraction, which flush-to-zero would read as 0
            in.state[k % 6] = 0x1.8p-1060 * k;
#ifdef MEX_SUITE_CALLS_vaporizer
        calls.push_back({"vaporizer", vaporizer_mexFunction, 5, vaporizer_host_inputs(in)});
#endif
#ifdef MEX_SUITE_CALLS_vaporizer_linearize
        if (k < 3)
            calls.push_back({"vaporizer_linearize", vaporizer_linearize_mexFunction, 4,
                             vaporizer_host_inputs(in)});
#endif
#ifdef MEX_SUITE_CALLS_vaporizer_step
        // As TheCallersRoundingModeChangesNoBit in vaporizer_step_test, with
        // every output; the last two run dry.
        VaporizerInputs step = in;
        step.state = VaporizerInputs().state;
        if (k % 2 == 1)
            step.state[k % 6] = in.state[k % 6];  // the denormal
        step.state[7] = uniform(random, 60.0, 95.0);
        if (k >= 6) {
            step.vapour_flow = uniform(random, 20.0, 60.0);
            step.heat_input = step.vapour_flow * uniform(random, 5e4, 7e4);
        }
        calls.push_back({"vaporizer_step", vaporizer_step_mexFunction, k % 2 == 0 ? 6 : 8,
                         vaporizer_host_inputs(step), k >= 6});
        calls.back().inputs.push_back(make_scalar(k >= 6 ? 5000.0 : uniform(random, 0.1, 60.0)));
        if (k % 2 == 1) {
            std::vector<Field> tight;
            tight.emplace_back("RelTol", make_scalar(1e-8));
            tight.emplace_back("AbsTol", make_scalar(1e-10));
            calls.back().inputs.push_back(make_struct(std::move(tight)));
        }
#endif
#ifdef MEX_SUITE_CALLS_Transmit
        // A line of k + 2 cells and k % 4 lags, counts that truncate.
        std::vector<ArrayPtr> transmit;
        for (double value : {uniform(random, -10.0, 30.0), 0.0, 0.0, uniform(random, 0.0, 2.0),
                             uniform(random, 0.01, 3.0), k + 1.7, k % 4 + 0.0,
                             uniform(random, 0.05, 0.5), uniform(random, -5.0, 5.0),
                             uniform(random, 10.0, 40.0)})
            transmit.push_back(make_scalar(value));
        std::vector<double> line(k + 2), lags(k % 4);
        const double scale = k % 2 == 1 ? 0x1p-1040 : 1.0;  // denormals
        for (double &value : line)
            value = scale * uniform(random, 0.0, 1.0);
        for (double &value : lags)
            value = scale * uniform(random, 0.0, 1.0);
        transmit[1] = make_column(line);
        transmit[2] = make_column(lags);
        calls.push_back({"Transmit", Transmit_mexFunction, 2, std::move(transmit), false,
                         inexact_flag});
#endif
#ifdef MEX_SUITE_CALLS_murtal
        if (k == 0) {
            std::vector<ArrayPtr> murtal;
            murtal.push_back(make_sparse(6, 1, {0, 2, 3, 5}, {0, 4}));
            murtal.push_back(make_scalar(3.9));
            murtal.push_back(make_column({1.5, 3.2, 2.0, 3.99, 1.0, 2.7}));
            calls.push_back({"murtal", murtal_mexFunction, 1, std::move(murtal), false,
                             inexact_flag});
        }
#endif
    }
    return calls;
}

// What a call gives the host, as bytes: every output with its dimensions
// and data, struct fields by name, or the error's identifier and message
// (whose numbers are printed in the fixed environment too).
std::string bytes_of(const mxArray *array)
{
    if (array == nullptr)
        return "none;";
    std::string text = std::to_string(mxGetM(array)) + "x" + std::to_string(mxGetN(array)) + ":";
    if (mxIsStruct(array)) {
        for (int f = 0; f < mxGetNumberOfFields(array); ++f)
            text += std::string(mxGetFieldNameByNumber(array, f)) + "=" +
                    bytes_of(mxGetFieldByNumber(array, 0, f));
        return text;
    }
    const char *data = reinterpret_cast<const char *>(mxGetPr(array));
    return text.append(data, data + mxGetNumberOfElements(array) * sizeof(double)) + ";";
}

std::string bytes_of(const CallResult &result)
{
    std::string text = result.ok ? "" : result.identifier + ";" + result.message + ";";
    text += result.misuse + ";" + std::to_string(result.unowned_arrays) + ";";
    for (const ArrayPtr &output : result.outputs)
        text += bytes_of(output.get());
    return text;
}

CallResult call(const ModuleCall &c)
{
    std::vector<const mxArray *> inputs;
    for (const ArrayPtr &input : c.inputs)
        inputs.push_back(input.get());
    return call_gateway(c.gateway, c.nlhs, inputs);
}

}  // namespace

// Each gateway computes in the fixed environment: under every rounding
// direction and with flush-to-zero every module gives the default's bytes,
// and the caller gets back its modes, and its flags with none that the
// computation raised.
TEST(FixedEnvironment, TheCallersStateChangesNoByteOfAnyModule)
{
#if MEX_SUITE_FIX_MXCSR || MEX_SUITE_FIX_FPCR
    const std::vector<ModuleCall> calls = module_calls();
    const FpuState fixed = read_state();
    std::vector<std::string> expected;
    for (const ModuleCall &c : calls) {
        write_state({fixed.modes, 0});
        const CallResult result = call(c);
        EXPECT_EQ(read_state().flags & ~denormal_flag, c.flags_raised) << c.module;
        write_state(fixed);
        EXPECT_EQ(result.ok, !c.runs_dry) << c.module << ": " << result.message;
        expected.push_back(bytes_of(result));
    }
    const struct {
        const char *name;
        int rounding;
        std::uint64_t modes;
    } states[] = {{"FE_UPWARD", FE_UPWARD, 0},
                  {"FE_DOWNWARD", FE_DOWNWARD, 0},
                  {"FE_TOWARDZERO", FE_TOWARDZERO, 0},
                  {"flush-to-zero", FE_TONEAREST, flush_to_zero},
                  {"all modes changed", FE_UPWARD,
                   flush_to_zero | other_modes | division_by_zero_trap}};
    for (const auto &state : states) {
        std::fesetround(state.rounding);
        write_state({read_state().modes ^ state.modes, invalid_flag});
        const FpuState callers = read_state();
        std::map<std::string, std::pair<int, int>> differing;  // and calls, by module
        for (std::size_t k = 0; k < calls.size(); ++k) {
            write_state(callers);
            const CallResult result = call(calls[k]);
            const FpuState after = read_state();
            write_state(fixed);
            EXPECT_EQ(after.modes, callers.modes) << state.name << ", " << calls[k].module;
            // The checks read the inputs before the computation, in the
            // caller's modes: whether a denormal input raises the denormal
            // flag there is the caller's business.
            EXPECT_EQ(after.flags & ~denormal_flag, callers.flags | calls[k].flags_raised)
                << state.name << ", " << calls[k].module;
            std::pair<int, int> &count = differing[calls[k].module];
            count.first += bytes_of(result) != expected[k];
            ++count.second;
        }
        for (const auto &module : differing)
            EXPECT_EQ(module.second.first, 0)
                << state.name << ": " << module.first << " gives other bytes in "
                << module.second.first << " of " << module.second.second << " calls";
    }
#else
    GTEST_SKIP() << "no FPU environment fixed on this architecture";
#endif
}
