// orvo-sim-wifi: the simulated Wi-Fi service's process. It comes up as a service does after
// power-on or a restart (Wi-Fi disabled, nothing started; the scripted settings kept) and runs
// until stopped; libqxtel's calls fail while it is not running.
#include "daemon.h"
#include "wifi_world.h"

int main() {
    sim::wifi::update([](sim::wifi::World &w) {
        w.service = sim::wifi::Service{};
        return true;
    });
    sim::wait_for_termination();
    return 0;
}
