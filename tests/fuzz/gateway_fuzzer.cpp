// libFuzzer entry point shared by the gateway fuzz targets (see gateway_fuzzer.h).
#include "gateway_fuzzer.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "fuzzed_call.h"

namespace fuzzing {

namespace {

void require(bool holds, const char *what, const std::string &detail = "")
{
    if (holds)
        return;
    std::fprintf(stderr, "gateway contract broken: %s %s\n", what, detail.c_str());
    __builtin_trap();
}

bool starts_with(const std::string &text, const std::string &prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// With MEX_SUITE_FUZZ_TRACE set, every call and its outcome is printed, to
// read what a saved input (a finding, a seed) does.
void trace(const Inputs &inputs, int nlhs, const in_process_host::CallResult &result)
{
    static const bool tracing = std::getenv("MEX_SUITE_FUZZ_TRACE") != nullptr;
    if (!tracing)
        return;
    std::fprintf(stderr, "call with %zu inputs, %d outputs:", inputs.size(), nlhs);
    for (const mxArray *input : inputs)
        std::fprintf(stderr, " %zux%zu%s%s%s", mxGetM(input), mxGetN(input),
                     mxIsDouble(input) ? "" : (mxIsNumeric(input) ? " numeric" : " other"),
                     mxIsSparse(input) ? " sparse" : "", mxIsComplex(input) ? " complex" : "");
    if (result.ok)
        std::fprintf(stderr, "\n  returned\n");
    else
        std::fprintf(stderr, "\n  error %s: %s%s\n", result.identifier.c_str(),
                     result.message.c_str(), result.misuse.c_str());
}

void check_call(const FuzzedCall &call)
{
    const Inputs inputs = call.input_pointers();
    const in_process_host::CallResult result =
        in_process_host::call_gateway(mexFunction, call.nlhs, inputs);
    trace(inputs, call.nlhs, result);

    require(result.misuse.empty(), "host misuse:", result.misuse);
    const std::size_t slots = static_cast<std::size_t>(call.nlhs > 0 ? call.nlhs : 1);
    require(result.outputs.size() == slots, "output slot count changed");

    if (!result.ok) {
        // An error through the host: a message, and an identifier that is
        // either none (the fixed messages), the module's own, or the host's
        // answer to a request for more memory than it has.
        require(!result.message.empty(), "error without a message");
        require(result.identifier.empty() ||
                    starts_with(result.identifier, std::string(fuzzed_gateway.module) + ":") ||
                    result.identifier == "MATLAB:nomem",
                "error with a foreign identifier:", result.identifier);
        return;
    }
    require(result.unowned_arrays == 0, "created arrays left in no output slot");
    const char *broken = fuzzed_gateway.check_outputs(inputs, call.nlhs, result.outputs);
    require(broken == nullptr, "outputs:", broken ? broken : "");
}

}  // namespace

bool is_real_double(const mxArray *array, std::size_t rows, std::size_t columns)
{
    return array != nullptr && mxIsDouble(array) && !mxIsSparse(array) && !mxIsComplex(array) &&
           mxGetM(array) == rows && mxGetN(array) == columns;
}

const char *shaped_as_table(const module_interface::Output *table, const Inputs &inputs, int nlhs,
                            const Outputs &outputs)
{
    using module_interface::Shape;
    for (int k = 0; k < (nlhs > 0 ? nlhs : 1); ++k) {
        const module_interface::Output &entry = table[k];
        const mxArray *output = outputs[k].get();
        bool shaped = false;
        switch (entry.shape) {
        case Shape::LikeInput:
            shaped = is_real_double(output, mxGetM(inputs[entry.input]), mxGetN(inputs[entry.input]));
            break;
        case Shape::Scalar: shaped = is_real_double(output, 1, 1); break;
        case Shape::Matrix:
            shaped = is_real_double(output, static_cast<std::size_t>(entry.rows),
                                    static_cast<std::size_t>(entry.columns));
            break;
        case Shape::Record: shaped = output != nullptr && mxIsStruct(output); break;
        case Shape::PerParameter:  // the selection is the last input
            shaped = is_real_double(output, static_cast<std::size_t>(entry.rows),
                                    mxGetM(inputs.back()));
            break;
        }
        if (!shaped)
            return "an output is not shaped as the module's table says";
    }
    return nullptr;
}

bool zero_from(const mxArray *array, std::size_t first)
{
    const std::vector<double> data = in_process_host::values(array);
    for (std::size_t k = first; k < data.size(); ++k)
        if (std::signbit(data[k]) || data[k] != 0.0)
            return false;
    return true;
}

double scalar_value(const mxArray *array)
{
    // The host refuses the question for cells and empty dense arrays.
    try {
        return mxGetScalar(array);
    } catch (const std::exception &) {
        return std::nan("");
    }
}

long long truncated_or(double value, long long fallback)
{
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return fallback;
    return static_cast<long long>(value);
}

}  // namespace fuzzing

// Counts near 2^31 are valid requests that a host may well refuse; a small
// memory limit makes it refuse them at once instead of filling gigabytes.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    in_process_host::set_memory_limit(std::size_t{1} << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace fuzzing;
    const std::size_t live_before = in_process_host::live_array_count();
    {
        const FuzzedCall call =
            decode_call(data, size, fuzzed_gateway.input_count, fuzzed_gateway.output_count);
        check_call(call);
    }
    require(in_process_host::live_array_count() == live_before, "arrays leaked");
    return 0;
}
