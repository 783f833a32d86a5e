// SPDX-License-Identifier: MIT
#include "feedback_reader.h"
#include "channel.h"
#include "feedback_state.h"
#include "logger.h"

#include "common/guards.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <unistd.h>

namespace autosuspend {
namespace {

// Leaves woken callers time to get the mutex around each announcement.
constexpr useconds_t kAnnouncePause = 10000;
// Reconnecting to a service that has gone: first pause and longest pause.
constexpr useconds_t kFirstRetryPause = 100000;
constexpr useconds_t kLongestRetryPause = 5000000;

enum class ReadResult { record, timed_out, closed, failed };

// Reads one whole record into g_current_record. A stream keeps no record boundaries, so a
// record that arrives in pieces is gathered until complete.
ReadResult read_record(int fd) {
    auto *bytes = reinterpret_cast<unsigned char *>(&g_current_record);
    std::size_t filled = 0;
    while (filled < sizeof g_current_record) {
        ssize_t n = read(fd, bytes + filled, sizeof g_current_record - filled);
        if (n > 0) {
            filled += static_cast<std::size_t>(n);
        } else if (n == 0) {
            return ReadResult::closed;
        } else if (errno == EINTR) {
            library_log(kLogLevel, "read error eintr\n");
        } else if (errno == EAGAIN) {
            library_log(kLogLevel, "read time out\n");
            library_log(kLogLevel, "client read wakeup_feedback struct timeout.\n");
            return ReadResult::timed_out;
        } else {
            library_log(kLogLevel, "read error\n");
            library_log(kLogLevel, "client read wakeup_feedback struct fail.\n");
            return ReadResult::failed;
        }
    }
    return ReadResult::record;
}

// Reads the next record with the feedback mutex held, as waiting callers expect.
ReadResult receive_record(int &fd) {
    orvo::MutexGuard lock(g_feedback_mutex);
    g_current_record = wakeup_feedback{};
    ReadResult result = read_record(fd);
    if (result == ReadResult::record) {
        library_log(kLogLevel, "system sleep_start timestamps : %ld ms\n",
                    static_cast<long>(g_current_record.sleep_start));
        library_log(kLogLevel, "system wakeup timestamps : %ld ms\n",
                    static_cast<long>(g_current_record.wakeup));
    } else if (result == ReadResult::failed) {
        close_channel(fd);
    }
    return result;
}

// The service closed the data channel (it stopped or restarted): connect again, so that
// feedback resumes once it is back.
void reconnect(int &fd) {
    library_log(kLogLevel, "data channel closed by the service, reconnecting.\n");
    close_channel(fd);
    char data_path[kClientPathSize];
    format_client_path(data_path, kDataClientFormat);
    useconds_t pause = kFirstRetryPause;
    for (;;) {
        usleep(pause);
        if (connect_channel(fd, data_path, kDataServerPath) == 0)
            return;
        pause = std::min(pause * 2, kLongestRetryPause);
    }
}

} // namespace

void *feedback_reader_main(void *arg) {
    int fd = static_cast<int>(reinterpret_cast<intptr_t>(arg));
    for (;;) {
        library_log(kLogLevel, "start get feedback from the service.\n");
        switch (receive_record(fd)) {
        case ReadResult::record:
            usleep(kAnnouncePause);
            announce_current_record();
            usleep(kAnnouncePause);
            break;
        case ReadResult::timed_out:
            break;
        case ReadResult::closed:
            reconnect(fd);
            break;
        case ReadResult::failed:
            return nullptr;
        }
    }
}

} // namespace autosuspend
