/* SPDX-License-Identifier: MIT */
// The Wi-Fi service on the emulated board: the kernel's simulated radios under its real
// 802.11 stack. It takes up what the clients ask (the requests of the World), drives hostapd,
// wpa_supplicant and busybox's DHCP server and client, and keeps what they report in the
// World's stack, where libqxtel's calls and indications read it.
//
// Radios: the module uses the first two of the kernel's, the access point on the first and
// the station on the second, moved into a network namespace of its own while Wi-Fi is
// enabled, so that its traffic really crosses the air. The others are left for peers.
#pragma once

namespace sim::wifi {

// Whether the board has two radios and hostapd for them.
bool real_radios_present();

// Runs until SIGTERM or SIGINT arrives (the caller blocks both); everything it started is
// stopped and the radios are down when it returns.
void run_real_stack();

} // namespace sim::wifi
