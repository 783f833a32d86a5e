// SPDX-License-Identifier: MIT
// orvo-sim-wifi: the simulated Wi-Fi service's process. It comes up as a service does after
// power-on or a restart (Wi-Fi disabled, nothing started; the scripted settings kept) and runs
// until stopped; libqxtel's calls fail while it is not running.
#include "daemon.h"
#include "simctl.h"
#include "wifi_world.h"

int main() {
    sim::wifi::update([](sim::wifi::World &w) {
        w.service = sim::wifi::Service{};
        return true;
    });
    if (!sim::write_file(sim::path("wifi/ready"), ""))
        return 1;
    sim::wait_for_termination();
    return 0;
}
