// SPDX-License-Identifier: MIT
#include "channel.h"

#include "nvrpc_codec.h"

#include "common/io.h"
#include "common/unique_fd.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <unistd.h>

namespace nvrpc {

namespace {

constexpr unsigned long kRpmsgCreateChannel = 0x40045201; // _IOW('R', 1, int)
constexpr unsigned long kRpmsgSetIntFlag = 0x40045204;    // _IOW('R', 4, int)
constexpr unsigned long kRpmsgClearPollFlag = 0x40045207; // _IOW('R', 7, int)
constexpr int kChannelBufferSize = 0x4800;

constexpr size_t kFirstMessageSize = 24;
constexpr useconds_t kFirstMessagePauseUs = 200000;

struct SetupStep {
    unsigned long request;
    int argument;
    const char *failure;
};

const SetupStep kSetup[] = {
    {kRpmsgCreateChannel, kChannelBufferSize, "[rpc] RPMSG_CREATE_CHANNEL error\n"},
    {kRpmsgSetIntFlag, 0, "[rpc] RPMSG_SET_INT_FLAG error\n"},
    {kRpmsgClearPollFlag, 0, "[rpc] RPMSG_CLEAR_POLL_FLAG error\n"},
};

} // namespace

int channel_open() {
    orvo::UniqueFd fd = orvo::open_fd(kChannelPath, O_RDWR);
    if (!fd) {
        perror("[rpc] open device fail\n");
        return -1;
    }
    for (const SetupStep &step : kSetup) {
        if (ioctl(fd.get(), step.request, step.argument) < 0) {
            perror(step.failure);
            return -1;
        }
    }
    return fd.release();
}

bool channel_wait_first_message(int fd) {
    auto *message = static_cast<uint8_t *>(malloc(kFirstMessageSize));
    if (!message)
        return false;
    while (read(fd, message, kFirstMessageSize) != static_cast<ssize_t>(kFirstMessageSize))
        usleep(kFirstMessagePauseUs);
    free(message);
    return true;
}

int frame_read(int fd, nvrpc_frame &frame, time_t timeout_seconds) {
    if (fd < 0 || fd >= FD_SETSIZE)
        return -2;
    timeval timeout{timeout_seconds, 0};
    int ready;
    do {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        // Linux leaves the time still to wait in `timeout`, so a resumed wait keeps its end.
        ready = select(fd + 1, &readable, nullptr, nullptr, &timeout);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) {
        printf("[error] nvrpc ret:%d\n", ready);
        return -2;
    }
    if (ready == 0) {
        printf("[error] nvrpc select timeout!\n");
        return -1;
    }

    ssize_t count;
    do {
        errno = 0;
        count = read(fd, &frame, sizeof frame);
    } while (count < 0 && errno == EINTR);
    return frame_length_ok(frame, count) ? 0 : -3;
}

int frame_write(int fd, const nvrpc_frame &frame) {
    // Only ever called with a frame whose payload_len the daemon checked or built.
    size_t expected = static_cast<size_t>(frame.payload_len) + kFrameHeaderSize;
    ssize_t total = orvo::write_all(fd, &frame, expected);
    if (total != static_cast<ssize_t>(expected)) {
        // A write that failed before any byte went out reports the failure itself.
        int reported = total > 0 ? static_cast<int>(total) : -1;
        printf("[nvrpc] write error, len=%d != %d!\n", reported, static_cast<int>(expected));
        return -1;
    }
    return 0;
}

} // namespace nvrpc
