// Shared expectations for gateway calls through the in-process host.
#ifndef MEX_SUITE_TESTS_GATEWAY_CALL_H
#define MEX_SUITE_TESTS_GATEWAY_CALL_H

#include <gtest/gtest.h>

#include <string>

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

// Same, for the suite's own checks, whose messages are matched by their start
// (the position and name of the input).
inline void expect_error_about(const in_process_host::CallResult &result,
                               const std::string &identifier, const std::string &message_start)
{
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.misuse, "");
    EXPECT_EQ(result.identifier, identifier);
    EXPECT_EQ(result.message.rfind(message_start, 0), 0u) << "message: " << result.message;
}

#endif
