// Loads the three modules as a host does and makes the same calls on Linux
// and on Windows (under Wine), writing every result as bits, so that the
// Windows modules can be compared with the same gateways built for Linux.
//
//   mex_driver run <module dir> <output prefix> <x87 control>:<mxcsr>...
//       Loads <dir>/<name>.mexw64 (Windows) or <dir>/<name>.so (Linux) for
//       vaporizer, Transmit and murtal. For each FPU state, given as two hex
//       words, it sets the state, makes every call and writes the results to
//       <prefix>-<x87 control>-<mxcsr>.txt. On Windows it also writes
//       <prefix>-strings.txt: vaporizer's string table entries 100 and 101,
//       read through LoadString.
//   mex_driver compare <ulp bound> <reference file> <result file>
//       The files must agree line for line, except that values on vaporizer
//       lines may differ by up to <ulp bound> units in the last place.
//       Prints the largest difference seen.
//
// Exit status 1 on a difference, on a call that broke a host rule, or on a
// call after which the caller's FPU modes were not what they had been.
//
// The host is the in-process host: linked into this program on Linux, and on
// Windows the one in mex_host.dll that libmx.dll and libmex.dll forward to.
// There must be only one, since the error call throws inside the host and the
// host's call_gateway must catch it after it unwinds through the module.
#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#if defined(__x86_64__)
#include <xmmintrin.h>
#endif

#include "in_process_host.h"
#include "vaporizer_host_inputs.h"

using namespace in_process_host;

namespace {

// ---------------------------------------------------------------------------
// The calls.

struct Call {
    std::string module, label;
    int nlhs;
    std::vector<ArrayPtr> inputs;
};

// A whole number in low .. high from the raw 64-bit stream, as uniform()
// (vaporizer_inputs.h) draws doubles: the same on every system.
int integer(std::mt19937_64 &random, int low, int high)
{
    return low + static_cast<int>(random() % static_cast<std::uint64_t>(high - low + 1));
}

// Inputs around the default set in ranges where glibc's and mingw-w64's
// exp, log and pow give results that the model does not amplify past the
// comparison's ulp bound; the unit tests' random_vaporizer_inputs moves
// more inputs, and some of its sets cancel a derivative down to where one
// ulp of exp becomes hundreds.
VaporizerInputs comparable_vaporizer_inputs(std::mt19937_64 &random)
{
    VaporizerInputs in;
    for (int k = 0; k < 6; ++k)
        in.state[k] = uniform(random, 0.0, 0.15);
    in.state[6] = uniform(random, 0.1, 3.0);
    in.state[7] = uniform(random, 0.0, 160.0);
    in.vapour_flow = uniform(random, 0.0, 10.0);
    in.heat_input = uniform(random, 0.0, 5e5);
    in.feed1_flow = uniform(random, 0.0, 10.0);
    in.feed2_flow = uniform(random, 0.0, 10.0);
    in.feed1_temp = uniform(random, 10.0, 150.0);
    in.feed2_temp = uniform(random, 10.0, 150.0);
    for (int k = 0; k < 7; ++k) {
        in.feed1_comp[k] = uniform(random, 0.0, 0.3);
        in.feed2_comp[k] = uniform(random, 0.0, 0.3);
        in.antoine_a[k] += uniform(random, -0.5, 0.5);
    }
    for (int ij = 0; ij < 49; ++ij) {
        in.wilson_volume[ij] *= uniform(random, 0.8, 1.2);
        in.wilson_energy[ij] += uniform(random, -200.0, 200.0);
    }
    in.area = uniform(random, 0.5, 3.0);
    return in;
}

// One time step of a transmitter with a line of `cells` and `stages` lags.
std::vector<ArrayPtr> transmit_arguments(std::mt19937_64 &random, int cells, int stages)
{
    std::vector<double> line(cells), lags(stages);
    for (double &v : line)
        v = uniform(random, 0.0, 1.0);
    for (double &v : lags)
        v = uniform(random, 0.0, 1.0);
    const double low = uniform(random, -50.0, 50.0), high = low + uniform(random, 1.0, 100.0);
    const double delay_times[] = {0.0, 5e-5, uniform(random, 0.1, 10.0)};
    const double time_constants[] = {0.0, 1e-4, uniform(random, 0.5, 20.0)};
    std::vector<ArrayPtr> a;
    a.push_back(make_scalar(uniform(random, low - 20.0, high + 20.0)));
    a.push_back(make_column(line));
    a.push_back(make_row(lags));
    a.push_back(make_scalar(delay_times[integer(random, 0, 2)]));
    a.push_back(make_scalar(time_constants[integer(random, 0, 2)]));
    a.push_back(make_scalar(integer(random, 1, cells) + 0.7));  // counts truncate
    a.push_back(make_scalar(integer(random, -1, stages)));
    a.push_back(make_scalar(uniform(random, 0.05, 2.0)));
    a.push_back(make_scalar(low));
    a.push_back(make_scalar(high));
    return a;
}

// A sparse column over `rows` rows, K and labels; now and then a label that
// is not in 1..K, which ends the call.
std::vector<ArrayPtr> murtal_arguments(std::mt19937_64 &random, int rows)
{
    std::vector<mwIndex> stored;
    for (int r = 0; r < rows; ++r)
        if (uniform(random, 0.0, 1.0) < 0.4)
            stored.push_back(static_cast<mwIndex>(r));
    const int clusters = integer(random, 0, 8);
    std::vector<double> labels(rows);
    for (double &label : labels) {
        const int whole = integer(random, 1, std::max(clusters, 1));  // drawn first on every system
        label = whole + uniform(random, 0.0, 0.99);
        const double odd = uniform(random, 0.0, 1.0);
        if (odd < 0.01)
            label = std::numeric_limits<double>::quiet_NaN();
        else if (odd < 0.02)
            label = clusters + 1;
    }
    std::vector<ArrayPtr> a;
    a.push_back(make_sparse(rows, 1, stored, {0, stored.size()}));
    a.push_back(make_scalar(clusters));
    a.push_back(make_column(labels));
    return a;
}

// An input of the wrong class, sparsity, size or value, for the error calls.
struct Replacement {
    const char *what;
    ArrayPtr (*make)();
};
const Replacement replacements[] = {
    {"single", [] { return make_filled(ArrayClass::Single, 8, 1, std::vector<double>(8, 2.0)); }},
    {"int32", [] { return make_filled(ArrayClass::Int32, 1, 1, {3.0}); }},
    {"char", [] { return make_filled(ArrayClass::Char, 1, 2, {65.0, 66.0}); }},
    {"logical", [] { return make_filled(ArrayClass::Logical, 1, 1, {1.0}); }},
    {"cell", [] { return make_dense(ArrayClass::Cell, 1, 1); }},
    {"sparse", [] { return make_sparse(9, 1, {0, 4}, {0, 2}); }},
    {"empty", [] { return make_double(0, 0, {}); }},
    {"complex", [] { return make_double(1, 8, std::vector<double>(8, 0.5), std::vector<double>(8, 1.0)); }},
    {"three values", [] { return make_column({1.0, 2.0, 3.0}); }},
    {"NaN", [] { return make_scalar(std::numeric_limits<double>::quiet_NaN()); }},
    {"infinity", [] { return make_scalar(std::numeric_limits<double>::infinity()); }},
    {"1e10", [] { return make_scalar(1e10); }},
};

// Every input of a valid call replaced in turn by each replacement, and the
// call with one input too few, one too many and every output count around
// the right one.
void add_error_calls(std::vector<Call> &calls, const std::string &module, int nlhs,
                     const std::function<std::vector<ArrayPtr>()> &valid)
{
    const std::size_t input_count = valid().size();
    for (std::size_t position = 0; position < input_count; ++position)
        for (const Replacement &replacement : replacements) {
            std::vector<ArrayPtr> inputs = valid();
            inputs[position] = replacement.make();
            calls.push_back({module, "input " + std::to_string(position + 1) + " " + replacement.what,
                             nlhs, std::move(inputs)});
        }
    std::vector<ArrayPtr> fewer = valid(), more = valid();
    fewer.pop_back();
    more.push_back(make_scalar(1.0));
    calls.push_back({module, "one input too few", nlhs, std::move(fewer)});
    calls.push_back({module, "one input too many", nlhs, std::move(more)});
    for (int outputs = 0; outputs <= nlhs + 1; ++outputs)
        calls.push_back({module, std::to_string(outputs) + " outputs", outputs, valid()});
}

std::vector<Call> all_calls()
{
    std::vector<Call> calls;
    std::mt19937_64 random(20261208);

    const VaporizerInputs base;
    calls.push_back({"vaporizer", "fixed", 5, vaporizer_host_inputs(base)});
    VaporizerInputs empty_vessel = base;  // divisions by zero: infinities and NaN
    empty_vessel.state[6] = 0.0;
    calls.push_back({"vaporizer", "level 0", 5, vaporizer_host_inputs(empty_vessel)});
    VaporizerInputs overflowing = base;
    overflowing.antoine_a[2] = 800.0;
    calls.push_back({"vaporizer", "exp overflow", 5, vaporizer_host_inputs(overflowing)});
    for (int k = 0; k < 300; ++k)
        calls.push_back(
            {"vaporizer", "random", 5, vaporizer_host_inputs(comparable_vaporizer_inputs(random))});
    add_error_calls(calls, "vaporizer", 5, [&] { return vaporizer_host_inputs(base); });

    for (int k = 0; k < 200; ++k) {
        const int cells = integer(random, 1, 12), stages = integer(random, 0, 6);
        calls.push_back({"Transmit", "random", 2, transmit_arguments(random, cells, stages)});
    }
    add_error_calls(calls, "Transmit", 2, [] {
        std::mt19937_64 fixed(1);
        return transmit_arguments(fixed, 3, 2);
    });

    for (int k = 0; k < 100; ++k)
        calls.push_back({"murtal", "random", integer(random, 0, 1),
                         murtal_arguments(random, integer(random, 1, 60))});
    add_error_calls(calls, "murtal", 1, [] {
        std::vector<ArrayPtr> a;
        a.push_back(make_sparse(5, 1, {1, 2, 4}, {0, 3}));
        a.push_back(make_scalar(3.0));
        a.push_back(make_column({3.0, 1.0, 2.9, 0.0, 1.0}));
        return a;
    });
    return calls;
}

// ---------------------------------------------------------------------------
// The FPU state a caller leaves, and what the module leaves it in.

struct FpuState {
    unsigned x87_control, mxcsr;
};

void set_fpu(FpuState state)
{
#if defined(__x86_64__)
    const unsigned short control = static_cast<unsigned short>(state.x87_control);
    __asm__ __volatile__("fldcw %0" : : "m"(control) : "memory");
    _mm_setcsr(state.mxcsr);
#else
    (void)state;
#endif
}

// The modes only; the flags are the computation's business.
FpuState fpu_modes()
{
#if defined(__x86_64__)
    unsigned short control = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(control) : : "memory");
    return {control, _mm_getcsr() & ~0x3Fu};
#else
    return {0, 0};
#endif
}

const FpuState default_fpu{0x037F, 0x1F80};

// ---------------------------------------------------------------------------
// Loading the modules.

#if defined(_WIN32)
const char *const module_suffix = ".mexw64";
void *load_module(const std::string &path) { return reinterpret_cast<void *>(LoadLibraryA(path.c_str())); }
void *find_symbol(void *module, const char *name)
{
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(module), name));
}
#else
const char *const module_suffix = ".so";
void *load_module(const std::string &path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
void *find_symbol(void *module, const char *name) { return dlsym(module, name); }
#endif

std::string hex_words(const mxArray *array)
{
    std::string text;
    char word[24];
    for (double value : values(array)) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        std::snprintf(word, sizeof word, " %016" PRIx64, bits);
        text += word;
    }
    return text;
}

// Makes every call in one FPU state and returns one line per output or error.
std::string run_calls(const std::vector<Call> &calls, const std::vector<Gateway> &gateways,
                      FpuState state, int &faults)
{
    std::vector<CallResult> results;
    std::vector<std::string> changed_modes;
    set_fpu(state);
    for (std::size_t k = 0; k < calls.size(); ++k) {
        std::vector<const mxArray *> inputs;
        for (const ArrayPtr &input : calls[k].inputs)
            inputs.push_back(input.get());
        results.push_back(call_gateway(gateways[k], calls[k].nlhs, inputs));
        const FpuState after = fpu_modes();
        if (after.x87_control != state.x87_control || after.mxcsr != state.mxcsr) {
            changed_modes.push_back("call " + std::to_string(k));
            set_fpu(state);
        }
    }
    set_fpu(default_fpu);  // printing rounds in the current direction

    std::string text;
    for (const std::string &call : changed_modes) {
        text += "FAULT: FPU modes changed by " + call + "\n";
        ++faults;
    }
    for (std::size_t k = 0; k < calls.size(); ++k) {
        const CallResult &result = results[k];
        const std::string head = calls[k].module + " " + std::to_string(k) + " " + calls[k].label + ":";
        if (!result.misuse.empty() || result.unowned_arrays != 0) {
            text += "FAULT: " + head + " " + result.misuse + " unowned arrays " +
                    std::to_string(result.unowned_arrays) + "\n";
            ++faults;
        }
        if (!result.ok) {
            text += head + " error " + result.identifier + " | " + result.message + "\n";
            continue;
        }
        for (std::size_t out = 0; out < result.outputs.size(); ++out) {
            const mxArray *output = result.outputs[out].get();
            text += head + " out " + std::to_string(out + 1);
            if (output == nullptr)
                text += " none\n";
            else
                text += " " + std::to_string(mxGetM(output)) + "x" + std::to_string(mxGetN(output)) +
                        hex_words(output) + "\n";
        }
    }
    return text;
}

bool write_file(const std::string &path, const std::string &text)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");  // the same bytes on both systems
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

int run(const std::string &module_dir, const std::string &prefix, int state_count, char **states)
{
    const char *const names[] = {"vaporizer", "Transmit", "murtal"};
    std::vector<std::pair<std::string, Gateway>> modules;
    for (const char *name : names) {
        const std::string path = module_dir + "/" + name + module_suffix;
        void *module = load_module(path);
        void *gateway = module != nullptr ? find_symbol(module, "mexFunction") : nullptr;
        if (gateway == nullptr) {
            std::fprintf(stderr, "cannot load mexFunction from %s\n", path.c_str());
            return 1;
        }
        modules.emplace_back(name, reinterpret_cast<Gateway>(gateway));
#if defined(_WIN32)
        if (std::string(name) == "vaporizer") {
            std::string strings;
            for (UINT id : {100u, 101u}) {
                wchar_t text[128] = {};
                const int length = LoadStringW(static_cast<HMODULE>(module), id, text, 128);
                strings += std::to_string(id) + " ";
                for (int c = 0; c < length; ++c)  // the entries are ASCII
                    strings += text[c] < 128 ? static_cast<char>(text[c]) : '?';
                strings += "\n";
            }
            if (!write_file(prefix + "-strings.txt", strings))
                return 1;
        }
#endif
    }

    set_fpu(default_fpu);  // the inputs are made alike on every system
    const std::vector<Call> calls = all_calls();
    std::vector<Gateway> gateways;
    for (const Call &call : calls)
        for (const auto &module : modules)
            if (module.first == call.module)
                gateways.push_back(module.second);

    int faults = 0;
    for (int s = 0; s < state_count; ++s) {
        const std::string state = states[s];
        const std::size_t colon = state.find(':');
        const FpuState fpu{static_cast<unsigned>(std::strtoul(state.substr(0, colon).c_str(), nullptr, 16)),
                           static_cast<unsigned>(std::strtoul(state.substr(colon + 1).c_str(), nullptr, 16))};
        const std::string text = run_calls(calls, gateways, fpu, faults);
        if (!write_file(prefix + "-" + state.substr(0, colon) + "-" + state.substr(colon + 1) + ".txt", text))
            return 1;
    }
    std::printf("%zu calls in each of %d FPU states, %d faults\n", calls.size(), state_count, faults);
    return faults == 0 ? 0 : 1;
}

// ---------------------------------------------------------------------------
// Comparing two result files.

// Distance in units in the last place: doubles mapped to integers that are
// consecutive in the doubles' order. NaNs are equal to one another.
std::uint64_t ulp_distance(const std::string &a, const std::string &b)
{
    auto ordered = [](const std::string &word) {
        const std::uint64_t bits = std::strtoull(word.c_str(), nullptr, 16);
        return bits >> 63 ? 0x8000000000000000u - (bits & 0x7FFFFFFFFFFFFFFFu)
                          : 0x8000000000000000u + bits;
    };
    auto is_nan = [](const std::string &word) {
        return (std::strtoull(word.c_str(), nullptr, 16) & 0x7FFFFFFFFFFFFFFFu) > 0x7FF0000000000000u;
    };
    if (is_nan(a) || is_nan(b))
        return is_nan(a) && is_nan(b) ? 0 : std::numeric_limits<std::uint64_t>::max();
    const std::uint64_t x = ordered(a), y = ordered(b);
    return x > y ? x - y : y - x;
}

std::vector<std::string> words(const std::string &line)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        result.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

bool is_value(const std::string &word)
{
    return word.size() == 16 && word.find_first_not_of("0123456789abcdef") == std::string::npos;
}

int compare(std::uint64_t bound, const std::string &reference_path, const std::string &result_path)
{
    std::ifstream reference(reference_path), result(result_path);
    if (!reference || !result) {
        std::fprintf(stderr, "cannot read %s or %s\n", reference_path.c_str(), result_path.c_str());
        return 1;
    }
    std::string expected, actual;
    std::uint64_t largest = 0;
    std::size_t values_compared = 0, values_different = 0, lines = 0, mismatches = 0;
    while (true) {
        const bool more_expected = static_cast<bool>(std::getline(reference, expected));
        const bool more_actual = static_cast<bool>(std::getline(result, actual));
        if (!more_expected && !more_actual)
            break;
        ++lines;
        bool same = more_expected == more_actual && expected == actual;
        if (more_expected && more_actual && expected.rfind("vaporizer ", 0) == 0) {
            const std::vector<std::string> e = words(expected), a = words(actual);
            same = e.size() == a.size();
            for (std::size_t w = 0; w < std::min(e.size(), a.size()); ++w) {
                if (!is_value(e[w]) || !is_value(a[w])) {
                    same = same && e[w] == a[w];
                    continue;
                }
                const std::uint64_t distance = ulp_distance(e[w], a[w]);
                ++values_compared;
                values_different += distance != 0;
                largest = std::max(largest, distance);
                same = same && distance <= bound;
            }
        }
        if (!same && mismatches++ < 10)
            std::printf("line %zu differs:\n  %s\n  %s\n", lines, expected.c_str(), actual.c_str());
    }
    std::printf("%zu lines, %zu lines differ beyond the bound; of %zu vaporizer values %zu differ,"
                " by up to %" PRIu64 " ulp (bound %" PRIu64 ")\n",
                lines, mismatches, values_compared, values_different, largest, bound);
    return mismatches == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "run" && argc >= 5)
        return run(argv[2], argv[3], argc - 4, argv + 4);
    if (mode == "compare" && argc == 5)
        return compare(std::strtoull(argv[2], nullptr, 10), argv[3], argv[4]);
    std::fprintf(stderr,
                 "usage: mex_driver run <module dir> <output prefix> <x87 control>:<mxcsr>...\n"
                 "       mex_driver compare <ulp bound> <reference file> <result file>\n");
    return 2;
}
