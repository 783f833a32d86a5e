// SPDX-License-Identifier: MIT
// orvo-sim-wifi: the simulated Wi-Fi service's process. It comes up as a service does after
// power-on or a restart (Wi-Fi disabled, nothing started; the scripted settings kept) and runs
// until stopped; libqxtel's calls fail while it is not running. On the emulated board it
// drives the kernel's simulated radios (real_stack.h); elsewhere its states are worked out
// from the requests and the scripted settings (wifi_model.h).
#include "daemon.h"
#include "real_stack.h"
#include "simctl.h"
#include "wifi_world.h"

int main() {
    bool real = sim::wifi::real_radios_present();
    sim::wifi::update([real](sim::wifi::World &w) {
        w.service = sim::wifi::Service{};
        w.stack = sim::wifi::Stack{};
        w.stack.real = real;
        return true;
    });
    if (!sim::write_file(sim::path("wifi/ready"), ""))
        return 1;
    if (real)
        sim::wifi::run_real_stack();
    else
        sim::wait_for_termination();
    return 0;
}
