// The simulated SMS service's client in this process, and the wait for new messages.
#pragma once

namespace smssim {

bool open_client();
void close_client();
bool client_open();

// Blocks until a message is announced that this thread has not been given yet (since the
// client was opened) and stores its index; false once the client is closed.
bool wait_arrival(int *index);

} // namespace smssim
