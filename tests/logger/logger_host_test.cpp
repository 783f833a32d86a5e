// SPDX-License-Identifier: MIT
// Outside a simulated module the logger writes its lines on standard error.
#include "orvo_log.h"
#include "simclient.h"

#include "tests/support/kit.h"

#include <gtest/gtest.h>

TEST(LoggerOnHost, LinesGoToStandardError) {
    if (sim::in_module())
        GTEST_SKIP() << "runs outside a simulated module";
    std::string err;
    std::string out = testkit::stdout_of([&] {
        err = testkit::stderr_of([] { orvo_log_function_init("HOST_TAG")(1, "value %d\n", 42); });
    });
    EXPECT_EQ(out, "");
    ASSERT_GE(err.size(), 20u);
    EXPECT_EQ(err.substr(24), "HOST_TAG 1 value 42\n") << err;
}
