// SPDX-License-Identifier: MIT
// The Wi-Fi and SMS services as their clients see them when the service goes down and comes
// back: every call fails while it is stopped, waits end, and a restart brings back what a
// real service would have (Wi-Fi from power-on, the SMS store as it was).
#include "orvo_sms.h"
#include "qx_wifi.h"
#include "simclient.h"

#include "tests/support/kit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kWifiNotReady = -2;
constexpr int kSmsError = -1;

using testkit::eventually;

TEST(WifiService, CallsFailWhileStoppedAndARestartComesBackDisabled) {
    sim::Service wifi("wifi");
    ASSERT_EQ(qx_wifi_init_ext(0), 0);
    ASSERT_EQ(qx_wifi_enable_ext(0), 0);
    ASSERT_TRUE(wifi.stop()) << wifi.error();
    int32_t state = -1;
    EXPECT_EQ(qx_wifi_get_enable_status_ext(0, &state), kWifiNotReady);
    EXPECT_EQ(qx_wifi_enable_ext(0), kWifiNotReady);
    EXPECT_EQ(qx_wifi_init_ext(0), kWifiNotReady);
    ASSERT_TRUE(wifi.start()) << wifi.error();
    ASSERT_EQ(qx_wifi_get_enable_status_ext(0, &state), 0);
    EXPECT_EQ(state, QX_WIFI_DISABLED) << "the enable asked of the old service is forgotten";
    EXPECT_EQ(qx_wifi_uninit_ext(0), 0);
}

std::atomic<int> g_enable_reports{0};
void on_enable(int32_t, int32_t) {
    ++g_enable_reports;
}

// The restarted service does not know the client's registration until it initialises again.
TEST(WifiService, NoIndicationsFromARestartedServiceUntilInitialisedAgain) {
    sim::Service wifi("wifi");
    ASSERT_EQ(qx_wifi_init_ext(0), 0);
    ASSERT_EQ(qx_wifi_set_enable_status_ind_cb_ext(0, on_enable), 0);
    ASSERT_TRUE(wifi.restart()) << wifi.error();
    g_enable_reports = 0;
    ASSERT_EQ(qx_wifi_enable_ext(0), 0); // settles after 1.5 s
    std::this_thread::sleep_for(2s);
    EXPECT_EQ(g_enable_reports, 0);
    ASSERT_EQ(qx_wifi_init_ext(0), 0);
    ASSERT_EQ(qx_wifi_set_enable_status_ind_cb_ext(0, on_enable), 0);
    ASSERT_EQ(qx_wifi_disable_ext(0), 0);
    EXPECT_TRUE(eventually([] { return g_enable_reports > 0; }));
    EXPECT_EQ(qx_wifi_uninit_ext(0), 0);
}

TEST(SmsService, CallsFailAndWaitsEndWhileStoppedTheStoreOutlivesARestart) {
    sim::Service sms("sms");
    sim::sms_clear();
    sim::SmsDelivery message;
    message.sender = "+15550100";
    message.text = "kept";
    int index = sim::sms_deliver(message);
    ASSERT_GE(index, 0);
    // Opened after the delivery: the wait blocks until the service goes away.
    ASSERT_EQ(orvo_sms_init(1), 0);
    std::atomic<int> waited{1};
    std::thread waiter([&] {
        int next = -1;
        waited = orvo_wait_receive_new_sms(&next);
    });
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(waited, 1);
    ASSERT_TRUE(sms.stop()) << sms.error();
    waiter.join();
    EXPECT_EQ(waited, kSmsError);
    EXPECT_EQ(orvo_send_sms("+15550100", 0, "x", 1), kSmsError);
    EXPECT_EQ(orvo_delete_sms(index), kSmsError);
    EXPECT_LT(sim::sms_deliver(message), 0);
    EXPECT_EQ(orvo_sms_init(1), kSmsError);

    ASSERT_TRUE(sms.start()) << sms.error();
    ASSERT_EQ(orvo_sms_init(1), 0);
    EXPECT_EQ(sim::sms_store().size(), 1u);
    EXPECT_EQ(orvo_send_sms("+15550100", 0, "x", 1), 0);
    EXPECT_EQ(orvo_sms_deinit(), 0);
}

} // namespace
