// SPDX-License-Identifier: MIT
// The dual demo's core: the command line, the station texts' checks, and the waits for a
// state change against the simulated Wi-Fi library (their outcomes and their queries).
#include "dual_command_line.h"
#include "dual_param.h"
#include "dual_waits.h"
#include "qx_wifi.h"
#include "simclient.h"
#include "tests/support/kit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace wifi_tools;

// sim/module ctl wifi ARGS... (the client API's shell twin: the Wi-Fi service's controls).
void ctl_wifi(const std::vector<std::string> &args) {
    const char *src = std::getenv("ORVO_SRC");
    std::vector<std::string> argv{std::string(src ? src : ".") + "/sim/module", "ctl", "wifi"};
    argv.insert(argv.end(), args.begin(), args.end());
    testkit::Output out = testkit::run(argv);
    EXPECT_EQ(0, out.status) << "ctl wifi " << args.at(0) << ": " << out.text;
}

// Calls received in this module whose line holds `call`.
int calls_of(const std::string &call) {
    int count = 0;
    for (const std::string &line : sim::calls())
        count += line.find(call) != std::string::npos;
    return count;
}

DualCommandLine parse(std::vector<const char *> args) {
    args.insert(args.begin(), "wlan_dual_demo");
    return parse_dual_command_line(static_cast<int>(args.size()), const_cast<char **>(args.data()));
}

TEST(DualCommandLine, ArgumentCountsDecideModeAndStation) {
    DualCommandLine none = parse({});
    EXPECT_EQ(0, none.work_mode);
    EXPECT_FALSE(none.station);
    EXPECT_EQ(1, parse({"1"}).work_mode);
    EXPECT_EQ(0, parse({"2"}).work_mode);
    DualCommandLine station = parse({"Home", "secret-pass", "2"});
    EXPECT_EQ(0, station.work_mode);
    ASSERT_TRUE(station.station);
    EXPECT_STREQ("Home", station.ssid);
    EXPECT_STREQ("secret-pass", station.pw);
    EXPECT_STREQ("2", station.auth);
    DualCommandLine both = parse({"1", "Home", "secret-pass", "4"});
    EXPECT_EQ(1, both.work_mode);
    EXPECT_STREQ("4", both.auth);
    // Two or five arguments mean nothing: neither mode nor station.
    EXPECT_FALSE(parse({"1", "Home"}).station);
    EXPECT_EQ(0, parse({"1", "Home"}).work_mode);
    EXPECT_FALSE(parse({"1", "a", "b", "c", "d"}).station);
}

TEST(DualParam, NameAndPassPhraseLengthsAndAuthCodes) {
    wifi_sta_param record{};
    const std::string name32(32, 'n');
    EXPECT_EQ(0, wlan_dual_param_set(&record, name32.c_str(), "12345678", "1"));
    EXPECT_EQ(0, std::memcmp(record.ssid, name32.data(), 32)); // fills the field
    EXPECT_STREQ("12345678", record.pw);
    EXPECT_EQ(1, record.auth);
    EXPECT_EQ(2, record.auth_aux);

    const int32_t expected[][2] = {{0, 0}, {1, 2}, {2, 2}, {3, 0}, {4, 2}};
    for (int code = 0; code <= 4; ++code) {
        wifi_sta_param r{};
        std::string text = std::to_string(code);
        ASSERT_EQ(0, wlan_dual_param_set(&r, "Home", std::string(63, 'p').c_str(), text.c_str()));
        EXPECT_EQ(expected[code][0], r.auth) << text;
        EXPECT_EQ(expected[code][1], r.auth_aux) << text;
    }

    wifi_sta_param r{};
    EXPECT_EQ(-1, wlan_dual_param_set(&r, "", "12345678", "1"));
    EXPECT_EQ(-1, wlan_dual_param_set(&r, std::string(33, 'n').c_str(), "12345678", "1"));
    EXPECT_EQ(-1, wlan_dual_param_set(&r, "Home", "1234567", "1"));
    EXPECT_EQ(-1, wlan_dual_param_set(&r, "Home", std::string(64, 'p').c_str(), "1"));
    EXPECT_EQ(-1, wlan_dual_param_set(&r, "Home", "12345678", "5"));
    EXPECT_EQ(-1, wlan_dual_param_set(&r, "Home", "12345678", "01"));
}

TEST(DualParam, ARejectedTextLeavesWhatCameBefore) {
    wifi_sta_param record{};
    std::memcpy(record.pw, "old-pass", 9);
    record.auth = 7;
    // A short pass phrase: the name is stored, the pass phrase and auth are not touched.
    EXPECT_EQ(-1, wlan_dual_param_set(&record, "Cafe", "short", "2"));
    EXPECT_EQ(0, std::strncmp(record.ssid, "Cafe", 4));
    EXPECT_STREQ("old-pass", record.pw);
    EXPECT_EQ(7, record.auth);
    // A bad auth code: name and pass phrase are stored, auth is not.
    EXPECT_EQ(-1, wlan_dual_param_set(&record, "Cafe", "long-enough", "x"));
    EXPECT_STREQ("long-enough", record.pw);
    EXPECT_EQ(7, record.auth);
}

class DualWaits : public ::testing::Test {
  protected:
    void SetUp() override {
        ctl_wifi({"reset"});
        ctl_wifi({"delay", "300"});
        ctl_wifi({"result", "enable", "ok"});
        ctl_wifi({"result", "sta", "ok"});
    }
    void TearDown() override {
        sim::unfail("qx_wifi_get_enable_status_ext");
        qx_wifi_disable_ext(0);
    }
};

TEST_F(DualWaits, AnEnableThatSettlesIsSeenAtTheFirstQuery) {
    int before = calls_of("qx_wifi_get_enable_status_ext");
    ASSERT_EQ(0, qx_wifi_enable_ext(0));
    EXPECT_EQ(0, user_wait_enable_status());
    EXPECT_EQ(1, calls_of("qx_wifi_get_enable_status_ext") - before);
}

TEST_F(DualWaits, AFailedEnableStateEndsTheWaitWithOne) {
    ctl_wifi({"result", "enable", "3"});
    ASSERT_EQ(0, qx_wifi_enable_ext(0));
    EXPECT_EQ(1, user_wait_enable_status());
}

TEST_F(DualWaits, QueriesWithoutAnswerAreTriedFiveTimes) {
    ASSERT_TRUE(sim::fail("qx_wifi_get_enable_status_ext", -2));
    int before = calls_of("qx_wifi_get_enable_status_ext");
    ASSERT_EQ(0, qx_wifi_enable_ext(0));
    EXPECT_EQ(11, user_wait_enable_status());
    EXPECT_EQ(5, calls_of("qx_wifi_get_enable_status_ext") - before);
}

TEST_F(DualWaits, AStationFailureWithAReasonCodeIsNotFinal) {
    ASSERT_EQ(0, qx_wifi_enable_ext(0));
    ASSERT_EQ(0, user_wait_enable_status());
    ASSERT_EQ(0, qx_wifi_ap_start_ext(0, 0));
    ASSERT_EQ(0, user_wait_ap_start_status(0));
    wifi_sta_param record{};
    ASSERT_EQ(0, wlan_dual_param_set(&record, "Home", "secret-pass", "2"));
    ASSERT_EQ(0, qx_wifi_sta_param_set_ext(0, &record));
    ctl_wifi({"result", "sta", "6", "15"});
    ASSERT_EQ(0, qx_wifi_sta_start_ext(0));
    EXPECT_EQ(11, user_wait_sta_start_status());
}

} // namespace
