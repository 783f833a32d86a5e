// SPDX-License-Identifier: MIT
// The modem core's end of the rpmsg channel: greets the daemon with the channel's first
// 24-byte message, sends the frames its clients hand it and returns the daemon's answers.
// Answers nobody waits for are logged as unsolicited.
#include "modem_frames.h"
#include "modemcore_link.h"
#include "nv_paths.h"
#include "simctl.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim::nv {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kHello[24] = "modem core ready";

void log_line(const std::string &line) {
    sim::append_line(NV_SIM_DIR "/modemcore.log", line);
}

class Server {
  public:
    Server(orvo::UniqueFd channel_listener, orvo::UniqueFd link_listener, bool hello)
        : channel_listener_(std::move(channel_listener)), link_listener_(std::move(link_listener)),
          hello_(hello) {}

    // The far end is the modem's end of the board driver's channel, open for good.
    void use_device(orvo::UniqueFd device) { device_ = std::move(device); }

    void run() {
        for (;;) {
            pollfd fds[4];
            nfds_t count = 0;
            fds[count++] = {device_ ? device_.get() : channel_listener_.get(), POLLIN, 0};
            fds[count++] = {client_ ? -1 : link_listener_.get(), POLLIN, 0};
            fds[count++] = {daemon_.get(), POLLIN, 0};
            fds[count++] = {client_.get(), POLLIN, 0};
            if (poll(fds, count, wait_ms()) < 0)
                continue;
            if (fds[0].revents && device_)
                read_device();
            else if (fds[0].revents)
                accept_daemon();
            if (fds[2].revents)
                read_daemon();
            if (fds[1].revents)
                accept_client();
            if (client_ && (fds[3].revents || Clock::now() >= deadline_))
                finish_client(fds[3].revents ? LinkStatus::no_channel : LinkStatus::timed_out, {});
        }
    }

  private:
    int wait_ms() const {
        if (!client_)
            return -1;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
        return left.count() < 0 ? 0 : static_cast<int>(left.count()) + 1;
    }

    void accept_daemon() {
        orvo::UniqueFd fd(accept4(channel_listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!fd)
            return;
        daemon_ = std::move(fd);
        connected();
    }

    void connected() {
        daemon_open_ = true;
        assembly_.clear();
        log_line("connected");
        if (hello_ && to_daemon(kHello, sizeof kHello))
            log_line("hello 24");
    }

    void disconnected() {
        log_line("disconnected");
        daemon_open_ = false;
        daemon_.reset();
        if (client_)
            finish_client(LinkStatus::no_channel, {});
    }

    // One whole frame to the daemon; false when it did not all go.
    bool to_daemon(const void *bytes, size_t size) {
        if (!daemon_open_)
            return false;
        int fd = device_ ? device_.get() : daemon_.get();
        ssize_t n = device_ ? write(fd, bytes, size) : send(fd, bytes, size, MSG_NOSIGNAL);
        return n == static_cast<ssize_t>(size);
    }

    void read_device() {
        uint8_t buffer[sizeof(ModemRecord) + kLinkMessageMax];
        ssize_t n = read(device_.get(), buffer, sizeof buffer);
        ModemRecord kind;
        if (n < static_cast<ssize_t>(sizeof kind))
            return;
        memcpy(&kind, buffer, sizeof kind);
        if (kind == ModemRecord::opened)
            connected();
        else if (kind == ModemRecord::closed)
            disconnected();
        else if (daemon_open_)
            take_from_daemon(buffer + sizeof kind, static_cast<size_t>(n) - sizeof kind);
    }

    void read_daemon() {
        uint8_t buffer[kLinkMessageMax];
        ssize_t n = recv(daemon_.get(), buffer, sizeof buffer, 0);
        if (n <= 0) {
            disconnected();
            return;
        }
        take_from_daemon(buffer, static_cast<size_t>(n));
    }

    void take_from_daemon(const uint8_t *bytes, size_t n) {
        assembly_.insert(assembly_.end(), bytes, bytes + n);
        if (!answer_complete())
            return;
        std::vector<uint8_t> answer;
        answer.swap(assembly_);
        if (client_) {
            log_line("answer " + hex(answer));
            finish_client(LinkStatus::answered, answer);
        } else {
            log_line("unsolicited " + hex(answer));
        }
    }

    // The daemon may write an answer in pieces; payload_len says when it is whole.
    bool answer_complete() const {
        if (assembly_.size() < nvrpc::kFrameHeaderSize)
            return false;
        int32_t payload_len;
        memcpy(&payload_len, assembly_.data() + 20, sizeof payload_len);
        if (payload_len < 0 || payload_len > static_cast<int32_t>(nvrpc::kFramePayloadSize))
            return true;
        return assembly_.size() >= nvrpc::kFrameHeaderSize + static_cast<size_t>(payload_len);
    }

    void accept_client() {
        orvo::UniqueFd fd(accept4(link_listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!fd)
            return;
        uint8_t buffer[kLinkMessageMax];
        ssize_t n = recv(fd.get(), buffer, sizeof buffer, 0);
        uint32_t timeout_ms = 0;
        if (n < static_cast<ssize_t>(sizeof timeout_ms))
            return;
        client_ = std::move(fd);
        memcpy(&timeout_ms, buffer, sizeof timeout_ms);
        if (!daemon_open_) {
            finish_client(LinkStatus::no_channel, {});
            return;
        }
        const uint8_t *frame = buffer + sizeof timeout_ms;
        size_t size = static_cast<size_t>(n) - sizeof timeout_ms;
        if (!to_daemon(frame, size)) {
            finish_client(LinkStatus::write_failed, {});
            return;
        }
        log_line("sent " + hex(std::vector<uint8_t>(frame, frame + size)));
        if (timeout_ms == 0) {
            finish_client(LinkStatus::sent, {});
            return;
        }
        deadline_ = Clock::now() + std::chrono::milliseconds(timeout_ms);
    }

    void finish_client(LinkStatus status, const std::vector<uint8_t> &answer) {
        std::vector<uint8_t> reply(sizeof status);
        memcpy(reply.data(), &status, sizeof status);
        reply.insert(reply.end(), answer.begin(), answer.end());
        send(client_.get(), reply.data(), reply.size(), MSG_NOSIGNAL);
        client_.reset();
    }

    orvo::UniqueFd channel_listener_;
    orvo::UniqueFd link_listener_;
    bool hello_;
    orvo::UniqueFd device_;
    orvo::UniqueFd daemon_;
    bool daemon_open_ = false; // the daemon's end is open: connected, or opened on the device
    orvo::UniqueFd client_;
    Clock::time_point deadline_;
    std::vector<uint8_t> assembly_;
};

} // namespace

int serve(bool send_hello, const char *device) {
    orvo::UniqueFd modem_end;
    if (device) {
        modem_end = orvo::open_fd(device, O_RDWR);
        if (!modem_end) {
            perror("orvo-sim-modemcore: cannot open the channel's modem end");
            return 1;
        }
    }
    orvo::UniqueFd channel = device ? orvo::UniqueFd() : seqpacket_listen(NV_SIM_CHANNEL_SOCKET);
    orvo::UniqueFd link = seqpacket_listen(NV_SIM_MODEMCORE_SOCKET);
    if ((!device && !channel) || !link) {
        perror("orvo-sim-modemcore: cannot listen");
        return 1;
    }
    Server server(std::move(channel), std::move(link), send_hello);
    if (device)
        server.use_device(std::move(modem_end));
    server.run();
    return 0;
}

LinkStatus exchange(const std::vector<uint8_t> &frame, uint32_t timeout_ms,
                    std::vector<uint8_t> &answer) {
    orvo::UniqueFd fd = seqpacket_connect(NV_SIM_MODEMCORE_SOCKET);
    if (!fd)
        return LinkStatus::no_channel;
    std::vector<uint8_t> request(sizeof timeout_ms);
    memcpy(request.data(), &timeout_ms, sizeof timeout_ms);
    request.insert(request.end(), frame.begin(), frame.end());
    LinkStatus status = LinkStatus::no_channel;
    std::vector<uint8_t> reply(kLinkMessageMax);
    if (send(fd.get(), request.data(), request.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(request.size())) {
        ssize_t n = recv(fd.get(), reply.data(), reply.size(), 0);
        if (n >= static_cast<ssize_t>(sizeof status)) {
            memcpy(&status, reply.data(), sizeof status);
            answer.assign(reply.begin() + sizeof status, reply.begin() + n);
        }
    }
    return status;
}

} // namespace sim::nv
