// SPDX-License-Identifier: MIT
// orvo-sim-sms: the simulated SMS service's process. Its store persists across restarts, as
// the messages of a real one do; while it is not running, liborvo-sms's calls fail, waits for
// new messages end and nothing can be delivered.
#include "daemon.h"
#include "simctl.h"
#include "sms_store.h"

int main() {
    if (!sim::sms::prepare() || !sim::write_file(sim::path("sms/ready"), ""))
        return 1;
    sim::wait_for_termination();
    return 0;
}
