// SPDX-License-Identifier: MIT
// The Wi-Fi service's side of the board's real stack that runs anywhere: the states the
// clients see while a request waits to be taken up, the stack's record in the World, and the
// texts exchanged with hostapd, wpa_supplicant and the DHCP server and client.
#include "stack_texts.h"
#include "wifi_model.h"
#include "wifi_world.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace sim::wifi {
namespace {

World real_world() {
    World w;
    w.stack.real = true;
    return w;
}

TEST(RealStackStates, ARequestNotYetTakenUpShowsTheChangeUnderWay) {
    World w = real_world();
    EXPECT_EQ(enable_state(w, 0), QX_WIFI_DISABLED);
    w.service.enable_target = 1;
    w.service.enable_since = 500;
    EXPECT_EQ(enable_state(w, 100000), QX_WIFI_CHANGING) << "no delay settles a real request";
    w.stack.enable_seen = 500;
    w.stack.enable = QX_WIFI_ENABLE_FAILED;
    EXPECT_EQ(enable_state(w, 100000), QX_WIFI_ENABLE_FAILED);
    w.stack.enable = QX_WIFI_ENABLED;

    w.service.ap_target[1] = 1;
    w.service.ap_since[1] = 700;
    EXPECT_EQ(ap_state(w, 1, 0), QX_WIFI_AP_STARTING);
    w.stack.ap_seen[1] = 700;
    w.stack.ap[1] = QX_WIFI_AP_UP;
    EXPECT_EQ(ap_state(w, 1, 0), QX_WIFI_AP_UP);
    EXPECT_EQ(ap_state(w, 0, 0), QX_WIFI_AP_DOWN);
    // A stop shows the old state until the service has taken it up.
    w.service.ap_target[1] = 0;
    w.service.ap_held[1] = QX_WIFI_AP_UP;
    w.service.ap_since[1] = 900;
    EXPECT_EQ(ap_state(w, 1, 0), QX_WIFI_AP_UP);
    w.stack.ap_seen[1] = 900;
    w.stack.ap[1] = QX_WIFI_AP_DOWN;
    EXPECT_EQ(ap_state(w, 1, 0), QX_WIFI_AP_DOWN);

    // Disabling takes everything down at once, whatever the stack still reports.
    w.service.enable_target = 0;
    w.service.enable_since = 1000;
    w.stack.ap[0] = QX_WIFI_AP_UP;
    EXPECT_EQ(ap_state(w, 0, 0), QX_WIFI_AP_DOWN);
}

TEST(RealStackStates, TheStationRecordComesFromTheStack) {
    World w = real_world();
    w.service.enable_since = w.stack.enable_seen = 1;
    w.service.enable_target = 1;
    w.stack.enable = QX_WIFI_ENABLED;
    w.service.sta_target = 1;
    w.service.sta_since = w.stack.sta_seen = 5;
    w.service.sta_ssid = std::string(32, 'n');
    w.stack.sta = QX_WIFI_STA_UP;
    w.stack.bssid = "02:00:00:00:02:00";
    w.stack.rssi = -30;

    wifi_sta_status s;
    fill_sta_status(w, 0, &s);
    EXPECT_EQ(s.state, QX_WIFI_STA_UP);
    EXPECT_EQ(std::string(s.ssid, sizeof s.ssid), std::string(32, 'n'));
    EXPECT_STREQ(s.bssid, "02:00:00:00:02:00");
    EXPECT_EQ(s.rssi, -30);
    EXPECT_EQ(s.has_addr, 0) << "no address before the lease";
    EXPECT_EQ(s.has_addr6, 0);

    w.stack.ip = "192.168.50.100";
    w.stack.netmask = "255.255.255.0";
    w.stack.subnet_bits = 24;
    w.stack.gateway = "192.168.50.1";
    w.stack.dnsp = "192.168.50.1";
    fill_sta_status(w, 0, &s);
    EXPECT_EQ(s.has_addr, 1);
    EXPECT_STREQ(s.addr.ip, "192.168.50.100");
    EXPECT_EQ(s.addr.subnet_bits, 24);
    EXPECT_STREQ(s.addr.gateway, "192.168.50.1");
    EXPECT_STREQ(s.addr.dnss, "");

    w.stack.sta = QX_WIFI_STA_FAILED;
    w.stack.sta_code = 15;
    fill_sta_status(w, 0, &s);
    EXPECT_EQ(s.sta_code, 15);
    EXPECT_EQ(s.has_addr, 0) << "a failed station has no address";
}

// The simulated service, as the real stack: a station is up first, its address comes after.
TEST(SimulatedStation, ItsAddressComesAfterItIsUpAndStaysWhileItStops) {
    World w;
    w.settings.sta.delay_ms = 300;
    w.settings.addr_delay_ms = 300;
    w.settings.stop_delay_ms = 300;
    w.service.enable_target = 1;
    w.service.enable_since = 0;
    w.settings.enable.delay_ms = 0;
    w.service.sta_target = 1;
    w.service.sta_since = 1000;
    wifi_sta_status s;
    fill_sta_status(w, 1400, &s);
    EXPECT_EQ(s.state, QX_WIFI_STA_UP);
    EXPECT_EQ(s.has_addr, 0) << "up, no address yet";
    fill_sta_status(w, 1600, &s);
    EXPECT_EQ(s.has_addr, 1);
    EXPECT_EQ(s.has_addr6, 1);
    // A stop shows the station up until it is down: with its address, as before.
    w.service.sta_target = 0;
    w.service.sta_held = QX_WIFI_STA_UP;
    w.service.sta_since = 2000;
    fill_sta_status(w, 2100, &s);
    EXPECT_EQ(s.state, QX_WIFI_STA_UP);
    EXPECT_EQ(s.has_addr, 1) << "no second report of a station that is being stopped";
    fill_sta_status(w, 2400, &s);
    EXPECT_EQ(s.state, QX_WIFI_STA_DOWN);
}

TEST(RealStackWorld, TheStackSurvivesItsRecord) {
    World w = real_world();
    w.stack.enable_seen = 42;
    w.stack.enable = QX_WIFI_ENABLED;
    w.stack.test_mode = 1;
    w.stack.ap[1] = QX_WIFI_AP_UP;
    w.stack.ap_seen[1] = 77;
    w.stack.ap_mac[1] = "02:00:00:00:00:00";
    w.stack.sta = QX_WIFI_STA_UP;
    w.stack.bssid = "02:00:00:00:02:00";
    w.stack.ip = "192.168.50.100";
    w.stack.dnss = "9.9.9.9";
    w.stack.subnet_bits = 24;
    wifi_scan_entry e{};
    std::memcpy(e.ssid, "a name with spaces\nand a line", 29);
    std::memset(e.bssid, 'b', sizeof e.bssid); // no terminator
    e.frequency = 2437;
    e.rssi = -61;
    e.auth = 4;
    w.stack.scan.assign(40, e);
    update([&](World &stored) {
        stored = w;
        return true;
    });
    World back = snapshot();
    EXPECT_TRUE(back.stack.real);
    EXPECT_EQ(back.stack.enable_seen, 42);
    EXPECT_EQ(back.stack.test_mode, 1);
    EXPECT_EQ(back.stack.ap[1], QX_WIFI_AP_UP);
    EXPECT_EQ(back.stack.ap_seen[1], 77);
    EXPECT_EQ(back.stack.ap_mac[1], "02:00:00:00:00:00");
    EXPECT_EQ(back.stack.ip, "192.168.50.100");
    EXPECT_EQ(back.stack.dnss, "9.9.9.9");
    EXPECT_EQ(back.stack.subnet_bits, 24);
    ASSERT_EQ(back.stack.scan.size(), size_t{QX_WIFI_SCAN_MAX});
    EXPECT_STREQ(back.stack.scan[0].ssid, "a name with spaces\nand a line");
    EXPECT_EQ(std::string(back.stack.scan[0].bssid), std::string(17, 'b')) << "cut, terminated";
    EXPECT_EQ(back.stack.scan[31].rssi, -61);

    wifi_scan_result list;
    fill_real_scan_result(back, &list);
    EXPECT_EQ(list.count, QX_WIFI_SCAN_MAX);
    EXPECT_EQ(list.entry[5].frequency, 2437);

    update([](World &stored) {
        stored = World{};
        return true;
    });
    EXPECT_FALSE(snapshot().stack.real) << "a simulated service keeps no stack";
}

TEST(StackTexts, EachAuthenticationGetsItsNetworkBlock) {
    auto block = [](int auth) { return wpa_config("Lab", "password1", auth, 2, "/c").value(); };
    // (auth 3 is WEP, whose keys have lengths of their own: below.)
    EXPECT_NE(block(0).find("key_mgmt=NONE"), std::string::npos);
    EXPECT_EQ(block(0).find("psk="), std::string::npos) << "an open network takes no key";
    EXPECT_NE(block(1).find("proto=WPA\n"), std::string::npos);
    EXPECT_NE(block(2).find("proto=RSN\n"), std::string::npos);
    EXPECT_NE(block(2).find("psk=\"password1\""), std::string::npos);
    EXPECT_NE(block(2).find("pairwise=CCMP\n"), std::string::npos);
    auto wep = [](const char *key) { return wpa_config("Lab", key, 3, 0, "/c"); };
    EXPECT_NE(wep("1234567890abc")->find("wep_key0=\"1234567890abc\""), std::string::npos);
    EXPECT_TRUE(wep("12345"));
    EXPECT_TRUE(wep("1234567890abcdef"));
    EXPECT_FALSE(wep("password1")) << "no WEP key has 9 characters";
    EXPECT_FALSE(wep("12345678"));
    EXPECT_NE(block(4).find("proto=WPA RSN"), std::string::npos);
    EXPECT_NE(wpa_config("Lab", "password1", 2, 0, "/c")->find("pairwise=CCMP TKIP"),
              std::string::npos);
    // The name goes as hex: any 32 bytes, quotes and spaces included.
    std::string name = "\"quoted\" name of 32 bytes long!";
    name += "x";
    ASSERT_EQ(name.size(), 32u);
    std::string conf = wpa_config(name, "password1", 2, 2, "/c").value();
    EXPECT_NE(conf.find("ssid=2271756f7465642220"), std::string::npos) << conf;
    EXPECT_NE(conf.find("6c6f6e672178\n"), std::string::npos) << "all 32 bytes";
    EXPECT_NE(conf.find("ctrl_interface=/c\n"), std::string::npos);
    EXPECT_NE(conf.find("scan_freq=2412 "), std::string::npos) << "the 2.4 GHz band only";
    EXPECT_EQ(conf.find("5180"), std::string::npos);
    EXPECT_FALSE(wpa_config("Lab", "pass\nword", 2, 2, "/c")) << "a line feed would end the key";
    EXPECT_FALSE(wpa_config("", "password1", 2, 2, "/c"));
}

TEST(StackTexts, TheAccessPointsConfigurations) {
    std::string ap = hostapd_config(1, "wlan0ap1", "/run/h");
    EXPECT_NE(ap.find("interface=wlan0ap1\n"), std::string::npos);
    EXPECT_NE(ap.find("ssid=ORVO-AP1\n"), std::string::npos);
    EXPECT_NE(ap.find("wpa=2\n"), std::string::npos);
    EXPECT_NE(ap.find("ctrl_interface=/run/h\n"), std::string::npos);
    std::string dhcp = udhcpd_config(1, "wlan0ap1", "/run/l");
    EXPECT_NE(dhcp.find("start 192.168.44.100\n"), std::string::npos);
    EXPECT_NE(dhcp.find("option router 192.168.44.1\n"), std::string::npos);
    EXPECT_NE(dhcp.find("lease_file /run/l\n"), std::string::npos);
}

TEST(StackTexts, ScanResultsBecomeEntries) {
    std::string answer = "bssid / frequency / signal level / flags / ssid\n"
                         "02:00:00:00:02:00\t2412\t-30\t[WPA2-PSK-CCMP][ESS]\tUpstream Net\n"
                         "02:00:00:00:03:00\t2437\t-45\t[WPA-PSK-CCMP+TKIP][WPA2-PSK-CCMP+TKIP]"
                         "[ESS]\tmixed\n"
                         "02:00:00:00:04:00\t2462\t-70\t[WPA-PSK-TKIP][ESS]\told\n"
                         "02:00:00:00:05:00\t5180\t-80\t[WEP][ESS]\tcave\n"
                         "02:00:00:00:06:00\t2484\t-90\t[ESS]\t\n"
                         "broken line\n";
    auto entries = parse_scan_results(answer);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_STREQ(entries[0].bssid, "02:00:00:00:02:00");
    EXPECT_STREQ(entries[0].ssid, "Upstream Net");
    EXPECT_EQ(entries[0].channel, 1);
    EXPECT_EQ(entries[0].rssi, -30);
    EXPECT_EQ(entries[0].auth, 2);
    EXPECT_EQ(entries[0].cipher, 2);
    EXPECT_EQ(entries[1].auth, 4);
    EXPECT_EQ(entries[1].channel, 6);
    EXPECT_EQ(entries[2].auth, 1);
    EXPECT_EQ(entries[2].cipher, 1);
    EXPECT_EQ(entries[3].auth, 3);
    EXPECT_EQ(entries[3].channel, 36);
    EXPECT_EQ(entries[4].auth, 0);
    EXPECT_EQ(entries[4].channel, 14);
    EXPECT_STREQ(entries[4].ssid, "");

    std::string many = "header\n";
    for (int i = 0; i < 40; i++)
        many += "02:00:00:00:00:01\t2412\t-30\t[ESS]\tn\n";
    EXPECT_EQ(parse_scan_results(many).size(), size_t{QX_WIFI_SCAN_MAX});
}

TEST(StackTexts, LeasesAndStatusAnswers) {
    auto hosts =
        parse_dumpleases("Mac Address       IP Address      Host Name           Expires in\n"
                         "02:00:00:00:03:00 192.168.43.100  peer-phone          0:59:58\n"
                         "02:00:00:00:04:00 192.168.43.101                      0:59:59\n");
    ASSERT_EQ(hosts.size(), 2u);
    EXPECT_EQ(hosts["02:00:00:00:03:00"], "peer-phone");
    EXPECT_EQ(hosts["02:00:00:00:04:00"], "") << "a client that gave no name";

    auto lease = parse_lease("192.168.50.100\n255.255.255.0\n24\n192.168.50.1 10.0.0.1\n"
                             "192.168.50.1 8.8.8.8 9.9.9.9\n");
    ASSERT_TRUE(lease);
    EXPECT_EQ(lease->ip, "192.168.50.100");
    EXPECT_EQ(lease->subnet_bits, 24);
    EXPECT_EQ(lease->gateway, "192.168.50.1") << "the first router";
    EXPECT_EQ(lease->dnsp, "192.168.50.1");
    EXPECT_EQ(lease->dnss, "8.8.8.8");
    EXPECT_FALSE(parse_lease("192.168.50.100\n255.255.255.0\n")) << "half a lease";

    auto status = parse_status("bssid=02:00:00:00:02:00\nwpa_state=COMPLETED\nip=\n");
    EXPECT_EQ(status["wpa_state"], "COMPLETED");
    EXPECT_EQ(status["bssid"], "02:00:00:00:02:00");
    EXPECT_EQ(event_field("CTRL-EVENT-SSID-TEMP-DISABLED id=0 ssid=\"x\" auth_failures=1 "
                          "duration=10 reason=WRONG_KEY",
                          "reason"),
              "WRONG_KEY");
    EXPECT_EQ(event_field("CTRL-EVENT-DISCONNECTED bssid=02:00 reason=3", "status_code"), "");
}

} // namespace
} // namespace sim::wifi
