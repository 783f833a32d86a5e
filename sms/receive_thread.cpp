// SPDX-License-Identifier: MIT
#include "logger.h"
#include "receive.h"

#include <cstdlib>

namespace kesl_sms {

namespace {

// The service took the kernel wake lock when the message arrived.
void release_wake_lock() {
    if (std::system("echo sms_read > /sys/power/wake_unlock") != 0)
        library_log(kLevelError, "sms_read error !!!");
}

bool read_message(int index, ReadScratch &read) {
    return orvo_read_sms(index, &read.status, &read.format, read.timestamp, &read.number_type,
                         &read.length, read.text, read.number, &read.reference, &read.part_index,
                         &read.part_total) == 0;
}

void hand_over(kesl_sms_msg &record) {
    // Taken at each call: a later registration also serves the threads already running.
    if (kesl_sms_rx_handler handler = __atomic_load_n(&tmp, __ATOMIC_ACQUIRE))
        handler(&record, &h_sms);
}

} // namespace

void *receive_thread(void *) {
    kesl_sms_msg record{}; // cleared once: the part fields carry over between messages
    for (;;) {
        int index = -1;
        if (orvo_wait_receive_new_sms(&index) != 0) {
            library_log(kLevelTrace, "orvo_wait_receive_new_sms error\n");
            return nullptr;
        }
        ReadScratch read; // fresh for every message, so nothing stale is ever copied
        if (read_message(index, read)) {
            fill_message(record, index, read);
            hand_over(record);
        } else {
            library_log(kLevelTrace, "orvo_read_sms error\n");
        }
        release_wake_lock();
    }
}

} // namespace kesl_sms
