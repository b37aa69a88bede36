// Shared expectations for gateway calls through the in-process host.
#ifndef MEX_SUITE_TESTS_GATEWAY_CALL_H
#define MEX_SUITE_TESTS_GATEWAY_CALL_H

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "in_process_host.h"

// The call returned normally and kept every host contract.
inline void expect_success(const in_process_host::CallResult &result)
{
    EXPECT_TRUE(result.ok) << "error " << result.identifier << ": " << result.message;
    EXPECT_EQ(result.misuse, "");
    EXPECT_EQ(result.unowned_arrays, 0u);
}

// The call ended in the host's error call with exactly this identifier and
// message, and broke no host contract on its way.
inline void expect_error(const in_process_host::CallResult &result, const std::string &identifier,
                         const std::string &message)
{
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.misuse, "");
    EXPECT_EQ(result.identifier, identifier);
    EXPECT_EQ(result.message, message);
}

// The whole messages of the checks every gateway shares: "input N (name) "
// and what the input must be.
inline std::string about(int position, const std::string &name)
{
    return "input " + std::to_string(position) + " (" + name + ")";
}
const std::string not_numeric_scalar =
    "must be a numeric, logical or char value: non-empty, and 1-by-1 if sparse";
const std::string not_dense_double = "must be a dense double array";
inline std::string too_short(std::size_t needed, std::size_t held)
{
    return "must hold at least " + std::to_string(needed) + " values; it holds " +
           std::to_string(held);
}

// One way to fail one check: what goes into which input, and the whole error.
struct Fault {
    int slot;  // zero-based input position
    std::function<in_process_host::ArrayPtr()> make;
    std::string identifier, message;
};
using Replacements = std::vector<std::pair<int, in_process_host::ArrayPtr>>;

// The checks of a gateway in the order it runs them, each with the faults
// that fail it. For every two checks that run one after the other, faults
// of both together must give the earlier check's error; any other order has
// such a pair the wrong way round. Two checks of one input cannot both fail
// and are not paired. call_with replaces the given inputs of a valid call.
inline void expect_checks_in_order(
    const std::vector<std::vector<Fault>> &checks,
    const std::function<in_process_host::CallResult(Replacements)> &call_with)
{
    for (std::size_t c = 0; c + 1 < checks.size(); ++c)
        for (const Fault &first : checks[c])
            for (const Fault &second : checks[c + 1]) {
                if (first.slot == second.slot)
                    continue;
                Replacements bad;
                bad.emplace_back(first.slot, first.make());
                bad.emplace_back(second.slot, second.make());
                SCOPED_TRACE("with " + second.identifier + " on input " +
                             std::to_string(second.slot + 1));
                expect_error(call_with(std::move(bad)), first.identifier, first.message);
            }
}

#endif
