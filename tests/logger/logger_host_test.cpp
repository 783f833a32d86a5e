// Outside a simulated module the logger writes its lines on standard error.
#include "orvo_log.h"
#include "simclient.h"

#include <gtest/gtest.h>

TEST(LoggerOnHost, LinesGoToStandardError) {
    if (sim::in_module())
        GTEST_SKIP() << "runs outside a simulated module";
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    orvo_log_function_init("HOST_TAG")(1, "value %d\n", 42);
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "");
    ASSERT_GE(err.size(), 20u);
    EXPECT_EQ(err.substr(24), "HOST_TAG 1 value 42\n") << err;
}
