// SPDX-License-Identifier: MIT
// The receive threads: messages delivered to the simulated module reach the handler, and
// the wake lock "sms_read" is released after each one.
#include "liborvo-kesl-sms.h"
#include "simclient.h"
#include "test_support.h"
#include "tests/logger/log_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>

extern "C" {
kesl_sms_rx_handler c_current_handler(void);
size_t c_msg_size(void);
size_t c_msg_index_offset(void);
}

namespace {

struct Received {
    int handler;
    kesl_sms_msg msg;
    int *handle;
    bool lock_held;
    pthread_t thread;
};

std::mutex g_mutex;
std::condition_variable g_changed;
std::vector<Received> g_received;

void keep(int handler, kesl_sms_msg *msg, int *handle) {
    Received r{handler, *msg, handle, smstest::wake_lock_held("sms_read"), pthread_self()};
    std::lock_guard<std::mutex> lock(g_mutex);
    g_received.push_back(r);
    g_changed.notify_all();
}

void handler_a(kesl_sms_msg *msg, int *handle) {
    keep(1, msg, handle);
}
void handler_b(kesl_sms_msg *msg, int *handle) {
    keep(2, msg, handle);
}

// Bounds only guard against a hung test; nothing here measures time.
constexpr auto kPatience = testkit::kPatience;

std::vector<Received> wait_received(size_t count) {
    std::unique_lock<std::mutex> lock(g_mutex);
    g_changed.wait_for(lock, kPatience, [&] { return g_received.size() >= count; });
    return g_received;
}

using testkit::eventually;

size_t waits() {
    return testkit::count(smstest::service_calls(), "orvo_wait_receive_new_sms");
}

const std::string kWaitError = "ORVO_KESL_SMS 4 orvo_wait_receive_new_sms error";

class SmsReceive : public ::testing::Test {
  protected:
    void SetUp() override {
        smstest::reset_service();
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            g_received.clear();
        }
        ASSERT_EQ(kesl_sms_client_init(&handle_), 0);
        logcap::clear();
        smstest::clear_calls();
    }

    // Closing the client ends the receive threads: each logs the failed wait.
    void TearDown() override {
        kesl_sms_client_deinit(handle_);
        EXPECT_TRUE(
            eventually([&] { return testkit::count(logcap::lines(), kWaitError) >= threads_; }));
    }

    void add_handler(kesl_sms_rx_handler handler) {
        ASSERT_EQ(kesl_sms_addrxmsghandler(handler), 0);
        ++threads_;
    }

    // A message was handled once the thread is back waiting for the next one.
    void wait_until_handled(size_t messages) {
        ASSERT_TRUE(eventually([&] { return waits() >= threads_ * (messages + 1); }));
    }

    int handle_ = 0;
    size_t threads_ = 0;
};

TEST_F(SmsReceive, DeliveredMessageReachesHandler) {
    add_handler(handler_a);
    EXPECT_EQ(__atomic_load_n(&tmp, __ATOMIC_ACQUIRE), &handler_a);
    int index = smstest::deliver({"--format", "2", "+4917012345", "Hallo Welt"});
    ASSERT_GE(index, 0);

    auto received = wait_received(1);
    ASSERT_EQ(received.size(), 1u);
    const kesl_sms_msg &msg = received[0].msg;
    EXPECT_EQ(msg.msg_index, index);
    EXPECT_EQ(msg.format, 2);
    EXPECT_STREQ(msg.number, "+4917012345");
    EXPECT_EQ(msg.length, 10);
    EXPECT_STREQ(msg.content, "Hallo Welt");
    EXPECT_EQ(msg.multipart, 0);
    EXPECT_EQ(received[0].handle, &h_sms);
    EXPECT_EQ(*received[0].handle, getpid());
    EXPECT_TRUE(received[0].lock_held) << "the service holds sms_read while the handler runs";

    wait_until_handled(1);
    EXPECT_FALSE(smstest::wake_lock_held("sms_read"));
    EXPECT_EQ(logcap::lines("ORVO_KESL_SMS"), std::vector<std::string>{});
}

TEST_F(SmsReceive, SingleMessageKeepsPartFieldsOfLastMultipart) {
    add_handler(handler_a);
    smstest::deliver({"+15550001", "first", "1", "1"});
    smstest::deliver({"+15550001", "middle part", "2", "3"});
    smstest::deliver({"+15550001", "single"});
    auto received = wait_received(3);
    ASSERT_EQ(received.size(), 3u);

    EXPECT_EQ(received[0].msg.multipart, 0) << "part 1 of 1 is a single message";
    EXPECT_EQ(received[0].msg.part_total, 0) << "cleared before the first message";
    EXPECT_EQ(received[1].msg.multipart, 1);
    EXPECT_EQ(received[1].msg.part_index, 2);
    EXPECT_EQ(received[1].msg.part_total, 3);
    EXPECT_EQ(received[2].msg.multipart, 0);
    EXPECT_EQ(received[2].msg.part_index, 2);
    EXPECT_EQ(received[2].msg.part_total, 3);
    EXPECT_STREQ(received[2].msg.content, "single");
    EXPECT_EQ(received[2].msg.length, 6);
}

TEST_F(SmsReceive, OverlongNumberAndTextAreCutToTheirFields) {
    add_handler(handler_a);
    std::string number(300, '9');
    std::string text;
    for (int i = 0; i < 1500; ++i)
        text += static_cast<char>('a' + i % 26);
    smstest::deliver({number, text});
    smstest::deliver({"--length", "-5", "+15550001", "ignored"});
    smstest::deliver({"+15550001", "short"});
    auto received = wait_received(3);
    ASSERT_EQ(received.size(), 3u);

    const kesl_sms_msg &cut = received[0].msg;
    EXPECT_EQ(std::string(cut.number), number.substr(0, sizeof cut.number - 1));
    EXPECT_EQ(cut.length, 1024);
    EXPECT_EQ(std::string(cut.content), text.substr(0, 1024));
    // Nothing beyond the fields: the bytes after them are as cleared.
    char zeros[sizeof cut.reserved3] = {};
    EXPECT_EQ(memcmp(cut.reserved3, zeros, sizeof zeros), 0);
    EXPECT_EQ(cut.multipart, 0);

    EXPECT_EQ(received[1].msg.length, 0) << "a negative length counts as 0";
    EXPECT_STREQ(received[1].msg.content, "");

    EXPECT_STREQ(received[2].msg.number, "+15550001");
    EXPECT_STREQ(received[2].msg.content, "short") << "no rest of the longer text";
    EXPECT_EQ(received[2].msg.content[6], '\0');
}

TEST_F(SmsReceive, FailedReadSkipsHandlerButReleasesWakeLock) {
    add_handler(handler_a);
    smstest::fail("orvo_read_sms", -5);
    smstest::deliver({"+15550001", "unreadable"});
    wait_until_handled(1);
    EXPECT_FALSE(smstest::wake_lock_held("sms_read"));
    EXPECT_EQ(logcap::lines("ORVO_KESL_SMS"),
              std::vector<std::string>{"ORVO_KESL_SMS 4 orvo_read_sms error"});
    EXPECT_TRUE(wait_received(0).empty());

    smstest::unfail("orvo_read_sms");
    smstest::deliver({"+15550001", "readable"});
    auto received = wait_received(1);
    ASSERT_EQ(received.size(), 1u) << "the thread goes on after a failed read";
    EXPECT_STREQ(received[0].msg.content, "readable");
}

TEST_F(SmsReceive, FailedWakeLockReleaseIsLoggedAndThreadGoesOn) {
    add_handler(handler_a);
    sim::kernel_fail("wake_unlock", 5, 1);
    smstest::deliver({"+15550001", "one"});
    wait_until_handled(1);
    EXPECT_EQ(logcap::lines("ORVO_KESL_SMS"),
              std::vector<std::string>{"ORVO_KESL_SMS 1 sms_read error !!!"});
    EXPECT_TRUE(smstest::wake_lock_held("sms_read"));

    smstest::deliver({"+15550001", "two"});
    EXPECT_EQ(wait_received(2).size(), 2u);
    wait_until_handled(2);
    EXPECT_FALSE(smstest::wake_lock_held("sms_read"));
}

TEST_F(SmsReceive, EachRegistrationAddsThreadServingLatestHandler) {
    add_handler(handler_a);
    add_handler(handler_b);
    EXPECT_EQ(__atomic_load_n(&tmp, __ATOMIC_ACQUIRE), &handler_b);
    EXPECT_EQ(c_current_handler(), &handler_b) << "C applications see the same slot";
    int index = smstest::deliver({"+15550001", "to both"});
    auto received = wait_received(2);
    ASSERT_EQ(received.size(), 2u);
    for (const auto &r : received) {
        EXPECT_EQ(r.handler, 2);
        EXPECT_EQ(r.msg.msg_index, index);
        EXPECT_STREQ(r.msg.content, "to both");
    }
    EXPECT_FALSE(pthread_equal(received[0].thread, received[1].thread));
    wait_until_handled(1);
    EXPECT_FALSE(smstest::wake_lock_held("sms_read"));
}

TEST_F(SmsReceive, FailedWaitEndsThread) {
    smstest::fail("orvo_wait_receive_new_sms", -3);
    add_handler(handler_a);
    EXPECT_TRUE(eventually([] { return testkit::count(logcap::lines(), kWaitError) == 1; }));
    smstest::unfail("orvo_wait_receive_new_sms");

    smstest::deliver({"+15550001", "nobody listens"});
    add_handler(handler_b);
    // The new thread gets the message that arrived while no thread waited.
    auto received = wait_received(1);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].handler, 2);
}

TEST(SmsRecords, CApplicationsSeeTheSameLayout) {
    EXPECT_EQ(c_msg_size(), sizeof(kesl_sms_msg));
    EXPECT_EQ(c_msg_index_offset(), offsetof(kesl_sms_msg, msg_index));
}

} // namespace
