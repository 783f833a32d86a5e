// Outside a simulated module the logger writes its lines on standard error.
#include "orvo_log.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(LoggerOnHost, LinesGoToStandardError) {
    struct stat st {};
    if (stat("/run/orvo-sim", &st) == 0)
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
