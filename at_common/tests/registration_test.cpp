// SPDX-License-Identifier: MIT
// The plug-in seen from a host: registration, the callback's output calls and its traces.
#include "liborvo-at-common.h"
#include "tests/logger/log_capture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Emission {
    std::string text;
    int flag;
};

std::vector<Emission> first_host, second_host;

void record(std::vector<Emission> &into, const char *data, int length, int flag) {
    into.push_back({std::string(data, static_cast<size_t>(length)), flag});
}

void first_output(const char *data, int length, int flag) {
    record(first_host, data, length, flag);
}

void second_output(const char *data, int length, int flag) {
    record(second_host, data, length, flag);
}

void send(const char *line) {
    std::vector<char> text(line, line + strlen(line) + 1);
    orvo_at_common_cb(text.data(), 0);
}

std::vector<std::string> at_log() {
    return logcap::lines("ORVO_AT_COMMON");
}

} // namespace

// One test: the order matters, the plug-in has one registration per process.
TEST(Registration, LifecycleOfTheOutputFunction) {
    logcap::clear();
    send("AT+CGIR");
    EXPECT_EQ(handle_output, nullptr);
    EXPECT_TRUE(at_log().empty()) << "a callback before registration is ignored entirely";

    orvo_at_callback_t callback = orvo_register_at_common(first_output);
    EXPECT_EQ(callback, &orvo_at_common_cb);
    EXPECT_EQ(handle_output, &first_output);
    std::vector<char> line = {'A', 'T', '+', 'C', 'G', 'I', 'R', '\0'};
    callback(line.data(), 42);
    ASSERT_EQ(first_host.size(), 2u) << "one call per response line";
    EXPECT_EQ(first_host[0].text, "+CGIR:R220-NYY-BASE2WLAN-K40Q07.AP.19.09_CAP.19.09\r\n");
    EXPECT_EQ(first_host[1].text, "OK\r\n");
    EXPECT_EQ(first_host[0].flag, 0);
    EXPECT_EQ(first_host[1].flag, 0);

    orvo_register_at_common(second_output);
    send("AT+CGIR");
    EXPECT_EQ(first_host.size(), 2u) << "the replaced output function gets nothing more";
    EXPECT_EQ(second_host.size(), 2u);

    orvo_at_common_cb(nullptr, 0);
    EXPECT_EQ(second_host.size(), 2u);
}

TEST(Traces, MatchedCommandWithFunctionNamesLinesAndLevels) {
    orvo_register_at_common(second_output);
    logcap::clear();
    send("AT+NETLED=1");
    std::vector<std::string> expected = {
        "ORVO_AT_COMMON 4 function orvo_at_common_cb line 197 input AT+NETLED=1",
        "ORVO_AT_COMMON 1 NETLED=1",
        "ORVO_AT_COMMON 4 function orvo_at_common_cb line 207  handle_string NETLED=1",
        "ORVO_AT_COMMON 4 function find_command line 177 input NETLED=1",
        "ORVO_AT_COMMON 4 function find_command line 185 find input NETLED=1 "
        "commands[i].cmd NETLED  strlen 6 ret 0",
        "ORVO_AT_COMMON 4 function orvo_at_common_cb line 211",
        "ORVO_AT_COMMON 1 orvo_handle_netled start",
    };
    EXPECT_EQ(at_log(), expected);
}

TEST(Traces, UnmatchedEmptyShortAndNullLines) {
    orvo_register_at_common(second_output);
    size_t before = second_host.size();
    logcap::clear();
    send("AT+cgir");
    send("AT+");
    send("A");
    orvo_at_common_cb(nullptr, 0);
    EXPECT_EQ(second_host.size(), before);
    std::vector<std::string> log = at_log();
    ASSERT_EQ(log.size(), 10u);
    EXPECT_EQ(log[3], "ORVO_AT_COMMON 4 function find_command line 177 input cgir");
    EXPECT_EQ(log[4].rfind("ORVO_AT_COMMON 4 function find_command line 189 not find ret ", 0), 0u);
    EXPECT_NE(log[4], "ORVO_AT_COMMON 4 function find_command line 189 not find ret 0 ");
    EXPECT_EQ(log[5], "ORVO_AT_COMMON 4 function orvo_at_common_cb line 197 input AT+");
    EXPECT_EQ(log[6], "ORVO_AT_COMMON 1 ");
    EXPECT_EQ(log[7], "ORVO_AT_COMMON 1 function orvo_at_common_cb line 204 strlen 0");
    EXPECT_EQ(log[8], "ORVO_AT_COMMON 4 function orvo_at_common_cb line 197 input A");
    EXPECT_EQ(log[9], "ORVO_AT_COMMON 4 function orvo_at_common_cb line 197 input (null)");
}

TEST(FindCommand, FirstRowWhoseNameIsAPrefix) {
    char cgir[] = "CGIRX", status[] = "STATUSLED=1", halt[] = "HALTENABLE", partial[] = "NETLE",
         empty[] = "";
    ASSERT_NE(find_command(cgir), nullptr);
    EXPECT_EQ(find_command(cgir)->func, &orvo_handle_version);
    ASSERT_NE(find_command(status), nullptr);
    EXPECT_EQ(find_command(status)->func, &orvo_handle_statusled);
    ASSERT_NE(find_command(halt), nullptr);
    EXPECT_STREQ(find_command(halt)->cmd, "HALTENABLE");
    EXPECT_EQ(find_command(partial), nullptr);
    EXPECT_EQ(find_command(empty), nullptr);
}

TEST(Responses, ErrorLineFormatsTheCode) {
    orvo_register_at_common(second_output);
    second_host.clear();
    orvo_response_error(100);
    orvo_response_error(-7);
    orvo_response_ok();
    ASSERT_EQ(second_host.size(), 3u);
    EXPECT_EQ(second_host[0].text, "+CME ERROR: 100\r\n");
    EXPECT_EQ(second_host[1].text, "+CME ERROR: -7\r\n");
    EXPECT_EQ(second_host[2].text, "OK\r\n");
}
