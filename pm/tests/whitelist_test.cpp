// SPDX-License-Identifier: MIT
// The whitelist through the real uci stand-in and the platform's whitelist clearing, and
// automatic suspend through the simulated autosuspend service.
#include "liborvo-kesl-autosuspend.h"
#include "orvo_uci.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char *kConfig = "/etc/config/orvo_uci";

class Whitelist : public ::testing::Test {
  protected:
    void SetUp() override {
        support::fail_call("orvo_get_value", 0);
        support::fail_call("qx_mnet_whitelist_clear", 0);
        support::clear_calls();
        logcap::clear();
    }
};

std::vector<std::string> uci_calls() {
    std::vector<std::string> found;
    for (const auto &call : support::calls())
        if (call.compare(0, 4, "uci ") == 0)
            found.push_back(call);
    return found;
}

TEST_F(Whitelist, SetIsCommittedToTheConfigAndReadBack) {
    ASSERT_EQ(kesl_whitelist_set("1010"), 0);
    EXPECT_EQ(uci_calls(),
              (std::vector<std::string>{"uci set orvo_uci.orvo_autosuspend.whitelist_state=1010",
                                        "uci commit"}));
    EXPECT_NE(support::read_file(kConfig).find("\toption whitelist_state '1010'\n"),
              std::string::npos);
    char state[8] = "xxxxxxx";
    EXPECT_EQ(kesl_whitelist_get(state), 0);
    EXPECT_STREQ(state, "1010");
    EXPECT_TRUE(support::contains(logcap::lines(),
                                  "ORVO_KESL_AUTOSUSPEND 1 ret =0, whitelist_state is 1010"));

    // The shell's special characters stay literal between the quotes.
    ASSERT_EQ(kesl_whitelist_set("$(x)"), 0);
    EXPECT_EQ(kesl_whitelist_get(state), 0);
    EXPECT_STREQ(state, "$(x)");
}

TEST_F(Whitelist, BadStatesRunNoCommand) {
    for (const char *state : {"123", "12345", ""}) {
        EXPECT_EQ(kesl_whitelist_set(state), -1) << state;
    }
    EXPECT_EQ(kesl_whitelist_set(nullptr), -1);
    EXPECT_EQ(support::count_prefix(logcap::lines(), "ORVO_KESL_AUTOSUSPEND 3 string len is error"),
              4u);
    logcap::clear();
    for (const char *state : {"ab'c", "'; x", "a\nbc", "\t123"}) {
        EXPECT_EQ(kesl_whitelist_set(state), -1) << state;
    }
    EXPECT_EQ(logcap::lines("ORVO_KESL_AUTOSUSPEND").size(), 4u) << "one line each";
    EXPECT_TRUE(uci_calls().empty());
}

TEST_F(Whitelist, AFailedSetReturnsTheWaitStatusAndStillCommits) {
    std::string saved = support::read_file(kConfig);
    support::write_file(kConfig, "\nconfig other 'other'\n");
    EXPECT_EQ(kesl_whitelist_set("1111"), 256);
    EXPECT_EQ(uci_calls().size(), 2u);
    EXPECT_EQ(uci_calls().back(), "uci commit");
    EXPECT_TRUE(
        support::contains(logcap::lines(), "ORVO_KESL_AUTOSUSPEND 3 kesl_whitlist_set fail"));
    support::write_file(kConfig, saved);
}

TEST_F(Whitelist, AFailedGetLeavesTheCallersBufferAsItWas) {
    support::fail_call("orvo_get_value", -3);
    char state[8] = "dflt";
    EXPECT_EQ(kesl_whitelist_get(state), -3);
    EXPECT_STREQ(state, "dflt") << "a default set by the caller survives";
    EXPECT_TRUE(support::contains(logcap::lines(),
                                  "ORVO_KESL_AUTOSUSPEND 1 ret =-3, whitelist_state is dflt"));

    // An unterminated buffer of the store's size: the log line stops at its last byte but one.
    char raw[ORVO_UCI_VALUE_MAX + 1];
    memset(raw, 'x', sizeof raw);
    logcap::clear();
    EXPECT_EQ(kesl_whitelist_get(raw), -3);
    EXPECT_TRUE(
        support::contains(logcap::lines(), "ORVO_KESL_AUTOSUSPEND 1 ret =-3, whitelist_state is " +
                                               std::string(ORVO_UCI_VALUE_MAX, 'x')));
    EXPECT_EQ(std::string(raw, sizeof raw), std::string(sizeof raw, 'x')) << "buffer untouched";
    EXPECT_EQ(kesl_whitelist_get(nullptr), -6);
}

// A logger may key on its formats: it gets the one it always got, whatever the buffer holds.
TEST_F(Whitelist, TheLoggerGetsTheFormatItAlwaysGot) {
    char state[8] = "1010";
    kesl_whitelist_get(state);
    support::fail_call("orvo_get_value", -3);
    char raw[ORVO_UCI_VALUE_MAX + 1];
    memset(raw, 'x', sizeof raw);
    kesl_whitelist_get(raw);
    EXPECT_EQ(
        logcap::formats("ORVO_KESL_AUTOSUSPEND"),
        (std::vector<std::string>(2, "ORVO_KESL_AUTOSUSPEND 1 ret =%d, whitelist_state is %s\\n")));
}

TEST_F(Whitelist, ClearReturnsThePlatformsResult) {
    EXPECT_EQ(kesl_whitelist_clear(), 0);
    EXPECT_TRUE(support::contains(support::calls(), "libqxtel qx_mnet_whitelist_clear"));
    EXPECT_TRUE(support::contains(logcap::lines(), "ORVO_KESL_AUTOSUSPEND 1 clear ret =0"));
    support::fail_call("qx_mnet_whitelist_clear", 7);
    EXPECT_EQ(kesl_whitelist_clear(), 7);
    EXPECT_TRUE(support::contains(logcap::lines(), "ORVO_KESL_AUTOSUSPEND 1 clear ret =7"));
}

std::string service_journal() {
    return sim::autosuspend("show").text;
}

TEST(AutosuspendSwitch, OneAndZeroSwitchTheServiceOtherCharactersAreRefused) {
    EXPECT_EQ(kesl_autosuspend_enable('1'), 0);
    EXPECT_EQ(kesl_autosuspend_enable('0'), 0);
    EXPECT_EQ(kesl_autosuspend_enable('2'), -6);
    EXPECT_EQ(kesl_autosuspend_enable(1), -6);
    ASSERT_TRUE(testkit::eventually(
        [] { return support::count_prefix(support::lines_of(service_journal()), "cmd") >= 3; }));
    auto journal = support::lines_of(service_journal());
    EXPECT_TRUE(support::contains(journal, "cmd 1 enable"));
    EXPECT_TRUE(support::contains(journal, "cmd 1 disable"));
    EXPECT_EQ(support::count_prefix(journal, "cmd 1 enable") +
                  support::count_prefix(journal, "cmd 1 disable"),
              2u)
        << "nothing sent for '2' or 1";
}

} // namespace
