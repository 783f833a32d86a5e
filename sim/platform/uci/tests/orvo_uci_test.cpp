// SPDX-License-Identifier: MIT
// liborvo-uci over the same store as the uci command.
#include "orvo_uci.h"

#include "tests/support/kit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string config_text() {
    return testkit::read_file("/etc/config/orvo_uci_ro");
}

TEST(OrvoUci, SetCommitsAndGetReads) {
    ASSERT_EQ(orvo_uci_set("orvo_uci_ro.orvo_version.ORVO_SW_VERSION=R1.2=x y"), 0);
    EXPECT_NE(config_text().find("\toption ORVO_SW_VERSION 'R1.2=x y'\n"), std::string::npos);
    char value[ORVO_UCI_VALUE_MAX + 1];
    ASSERT_EQ(orvo_get_value("orvo_uci_ro", "orvo_version", "ORVO_SW_VERSION", value), 0);
    EXPECT_STREQ(value, "R1.2=x y");
    // Twice the same leaves the same file.
    std::string once = config_text();
    ASSERT_EQ(orvo_uci_set("orvo_uci_ro.orvo_version.ORVO_SW_VERSION=R1.2=x y"), 0);
    EXPECT_EQ(config_text(), once);
}

TEST(OrvoUci, GetSeesChangesStagedByTheCommand) {
    ASSERT_EQ(std::system("uci set orvo_uci.orvo_autosuspend.whitelist_state=4321"), 0);
    char value[ORVO_UCI_VALUE_MAX + 1];
    ASSERT_EQ(orvo_get_value("orvo_uci", "orvo_autosuspend", "whitelist_state", value), 0);
    EXPECT_STREQ(value, "4321");
    ASSERT_EQ(std::system("uci revert orvo_uci"), 0);
}

TEST(OrvoUci, FailuresHaveTheirCodes) {
    char value[ORVO_UCI_VALUE_MAX + 1] = "untouched";
    EXPECT_EQ(orvo_get_value("nosuch", "a", "b", value), ORVO_UCI_ERR_NOTFOUND);
    EXPECT_EQ(orvo_get_value("orvo_uci", "orvo_autosuspend", "nosuch", value),
              ORVO_UCI_ERR_NOTFOUND);
    EXPECT_EQ(orvo_get_value("orvo_uci", "bad name", "x", value), ORVO_UCI_ERR_INVAL);
    EXPECT_EQ(orvo_get_value(nullptr, "a", "b", value), ORVO_UCI_ERR_INVAL);
    EXPECT_STREQ(value, "untouched");
    EXPECT_EQ(orvo_uci_set("orvo_uci_ro.orvo_version.ORVO_SW_VERSION"), ORVO_UCI_ERR_INVAL);
    EXPECT_EQ(orvo_uci_set("orvo_uci_ro.orvo_version=x"), ORVO_UCI_ERR_INVAL);
    EXPECT_EQ(orvo_uci_set("orvo_uci_ro.nosuch.x=1"), ORVO_UCI_ERR_NOTFOUND);
    EXPECT_EQ(orvo_uci_set(nullptr), ORVO_UCI_ERR_INVAL);
}

TEST(OrvoUci, ValuesUpToTheLimitFitTheBuffer) {
    std::string longest(ORVO_UCI_VALUE_MAX, 'v');
    ASSERT_EQ(orvo_uci_set(("orvo_uci_ro.orvo_version.ORVO_SW_VERSION=" + longest).c_str()), 0);
    char value[ORVO_UCI_VALUE_MAX + 2];
    value[ORVO_UCI_VALUE_MAX + 1] = '#';
    ASSERT_EQ(orvo_get_value("orvo_uci_ro", "orvo_version", "ORVO_SW_VERSION", value), 0);
    EXPECT_EQ(std::string(value), longest);
    EXPECT_EQ(value[ORVO_UCI_VALUE_MAX + 1], '#');
    EXPECT_EQ(orvo_uci_set(("orvo_uci_ro.orvo_version.ORVO_SW_VERSION=" + longest + "v").c_str()),
              ORVO_UCI_ERR_INVAL);

    // A longer value written into the file by hand is refused, not cut or overrun.
    std::ofstream("/etc/config/orvo_uci_ro", std::ios::app)
        << "\toption hand '" << std::string(ORVO_UCI_VALUE_MAX + 1, 'h') << "'\n";
    EXPECT_EQ(orvo_get_value("orvo_uci_ro", "orvo_version", "hand", value), ORVO_UCI_ERR_TOOLONG);
    EXPECT_EQ(value[ORVO_UCI_VALUE_MAX + 1], '#');
}

} // namespace
