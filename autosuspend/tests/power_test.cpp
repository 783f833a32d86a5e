// SPDX-License-Identifier: MIT
// Wake locks, low-power mode and whitelist through the platform stand-ins.
#include "liborvo-autosuspend.h"
#include "test_support.h"

extern "C" {
size_t c_record_size(void);
size_t c_wakeup_offset(void);
int c_acquire_empty(void);
}

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

std::vector<std::string> platform_calls() {
    return sim::calls();
}

void platform_fails(const std::string &call, int code) {
    sim::fail(call, code);
}

class Power : public ::testing::Test {
  protected:
    void SetUp() override {
        logcap::clear();
        sim::clear_calls();
        for (const char *call : {"qx_pm_wakelock_lock", "qx_pm_wakelock_unlock",
                                 "qx_pm_set_lp_mode", "qx_mnet_whitelist_clear"})
            sim::unfail(call);
    }
};

TEST_F(Power, WakeLockReachesTheKernel) {
    EXPECT_EQ(acquire_wake_lock(0, "gps_fix"), 1);
    EXPECT_EQ(testkit::read_file("/sys/power/wake_lock"), "gps_fix\n");
    EXPECT_EQ(release_wake_lock("gps_fix"), 1);
    EXPECT_EQ(testkit::read_file("/sys/power/wake_lock"), "\n");
    EXPECT_THAT(library_log(), ElementsAre("Get param:gps_fix ", "do_wakelock succeed",
                                           "Get param:gps_fix ", "do_wakeunlock succeed"));
    EXPECT_THAT(platform_calls(), ElementsAre("libbsp qx_pm_wakelock_lock gps_fix",
                                              "libbsp qx_pm_wakelock_unlock gps_fix"));
}

TEST_F(Power, SameNameTwiceMakesTwoPlatformCalls) {
    EXPECT_EQ(acquire_wake_lock(0, "twice"), 1);
    EXPECT_EQ(acquire_wake_lock(0, "twice"), 1);
    EXPECT_EQ(count(platform_calls(), "libbsp qx_pm_wakelock_lock twice"), 2u);
    // The kernel holds one lock of that name: one release frees it.
    EXPECT_EQ(release_wake_lock("twice"), 1);
    EXPECT_EQ(testkit::read_file("/sys/power/wake_lock"), "\n");
}

TEST_F(Power, EmptyOrNullNamesAreRefusedSilently) {
    EXPECT_EQ(acquire_wake_lock(0, ""), -1);
    EXPECT_EQ(acquire_wake_lock(0, nullptr), -1);
    EXPECT_EQ(release_wake_lock(""), -1);
    EXPECT_EQ(release_wake_lock(nullptr), -1);
    EXPECT_EQ(c_acquire_empty(), -1);
    EXPECT_THAT(platform_calls(), IsEmpty());
    EXPECT_THAT(library_log(), IsEmpty());
}

TEST_F(Power, PlatformRefusalsGiveMinusOneAndTheCodeInTheLog) {
    platform_fails("qx_pm_wakelock_lock", -3);
    platform_fails("qx_pm_wakelock_unlock", 22);
    EXPECT_EQ(acquire_wake_lock(0, "modem"), -1);
    EXPECT_EQ(release_wake_lock("modem"), -1);
    EXPECT_THAT(library_log(), ElementsAre("Get param:modem ", "do_wakelock failed, err:-3",
                                           "Get param:modem ", "do_wakeunlock failed, err:22"));
    EXPECT_EQ(testkit::read_file("/sys/power/wake_lock"), "\n");
}

TEST_F(Power, LowPowerModeAccepted) {
    EXPECT_EQ(orvo_set_lpmode(5), 0);
    EXPECT_THAT(library_log(), ElementsAre("Get param:5 ", "do_set_lpmode succeed"));
    EXPECT_THAT(platform_calls(), ElementsAre("libbsp qx_pm_set_lp_mode 5"));
}

TEST_F(Power, LowPowerModeRefusedEndsTheProcess) {
    platform_fails("qx_pm_set_lp_mode", -2);
    EXPECT_EXIT(orvo_set_lpmode(7), ::testing::ExitedWithCode(1), "");
    EXPECT_THAT(library_log(), ElementsAre("Get param:7 ", "do_set_lpmode failed, err:-2"));
}

TEST_F(Power, WhitelistClearReturnsThePlatformResult) {
    EXPECT_EQ(orvo_whitelist_clear(), 0);
    EXPECT_THAT(library_log(), IsEmpty());
    platform_fails("qx_mnet_whitelist_clear", -9);
    EXPECT_EQ(orvo_whitelist_clear(), -9);
    EXPECT_THAT(library_log(), ElementsAre("qx_mnet_whitelist_clear ret=-9"));
    EXPECT_EQ(count(platform_calls(), "libqxtel qx_mnet_whitelist_clear"), 2u);
}

TEST(PublicHeader, RecordLayoutFromC) {
    EXPECT_EQ(c_record_size(), 8u);
    EXPECT_EQ(c_wakeup_offset(), 4u);
}

} // namespace
