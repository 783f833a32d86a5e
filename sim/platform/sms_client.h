/* SPDX-License-Identifier: MIT */
// The simulated SMS service's client in this process, and the wait for new messages.
#pragma once

namespace sim::sms {

bool open_client();
void close_client();
bool client_open();
// Open, and the service runs: while it is stopped every call fails.
bool client_ready();

// Blocks until a message is announced that this thread has not been given yet (since the
// client was opened) and stores its index; false once the client is closed or the service
// that it opened with has gone.
bool wait_arrival(int *index);

} // namespace sim::sms
