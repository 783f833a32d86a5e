// SPDX-License-Identifier: MIT
// Outside a simulated module, on a machine without a system log, the logger writes its lines
// on standard error (where there is one, to syslog: checked on the board).
#include "orvo_log.h"
#include "simclient.h"

#include "tests/support/kit.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(LoggerOnHost, LinesGoToStandardError) {
    if (sim::in_module())
        GTEST_SKIP() << "runs outside a simulated module";
    if (access("/dev/log", F_OK) == 0)
        GTEST_SKIP() << "this machine has a system log: the lines go there";
    std::string err;
    std::string out = testkit::stdout_of([&] {
        err = testkit::stderr_of([] { orvo_log_function_init("HOST_TAG")(1, "value %d\n", 42); });
    });
    EXPECT_EQ(out, "");
    ASSERT_GE(err.size(), 20u);
    EXPECT_EQ(err.substr(24), "HOST_TAG 1 value 42\n") << err;
}
