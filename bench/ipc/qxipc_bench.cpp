// Round trips and one-way sends between two processes: raw System V queues (the floor),
// an AF_UNIX stream socket, and libqxipc. Prints each figure and its ratio to the raw one.
#include "libqxipc.h"

#include "common/io.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sys/msg.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPayload = 64;
constexpr int kRoundTrips = 20000;
constexpr int kOneWay = 100000;
constexpr int kRepeats = 5;
constexpr int kPingKey = 7001;
constexpr int kPongKey = 7002;
constexpr int kSinkKey = 7003;
constexpr int kServerKey = 5469; // "msm-server"

struct Raw {
    long mtype;
    unsigned char text[QX_IPC_HEADER_TEXT_SIZE + kPayload];
};

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

pid_t spawn(const std::function<void()> &body) {
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    return pid;
}

void reap(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// (a) Raw msgsnd/msgrcv ping-pong; microseconds per round trip.
double raw_round_trip() {
    int ping = msgget(kPingKey, IPC_CREAT | 0600);
    int pong = msgget(kPongKey, IPC_CREAT | 0600);
    pid_t echo = spawn([&] {
        Raw msg{};
        for (;;) {
            if (msgrcv(ping, &msg, sizeof msg.text, 0, 0) < 0)
                return;
            msgsnd(pong, &msg, sizeof msg.text, 0);
        }
    });
    Raw msg{};
    msg.mtype = 1;
    std::vector<double> runs;
    for (int r = 0; r < kRepeats; ++r) {
        auto start = Clock::now();
        for (int i = 0; i < kRoundTrips; ++i) {
            msgsnd(ping, &msg, sizeof msg.text, 0);
            msgrcv(pong, &msg, sizeof msg.text, 0, 0);
        }
        runs.push_back(seconds_since(start) * 1e6 / kRoundTrips);
    }
    reap(echo);
    msgctl(ping, IPC_RMID, nullptr);
    msgctl(pong, IPC_RMID, nullptr);
    return median(runs);
}

// (b) AF_UNIX stream ping-pong with the same message size; microseconds per round trip.
double unix_round_trip() {
    int fds[2];
    socketpair(AF_UNIX, SOCK_STREAM, 0, fds);
    constexpr size_t kSize = sizeof(Raw);
    pid_t echo = spawn([&] {
        close(fds[0]);
        unsigned char buf[kSize];
        for (;;) {
            if (orvo::read_all(fds[1], buf, kSize) != static_cast<ssize_t>(kSize) ||
                orvo::write_all(fds[1], buf, kSize) != static_cast<ssize_t>(kSize))
                return;
        }
    });
    close(fds[1]);
    unsigned char buf[kSize] = {};
    std::vector<double> runs;
    for (int r = 0; r < kRepeats; ++r) {
        auto start = Clock::now();
        for (int i = 0; i < kRoundTrips; ++i) {
            if (orvo::write_all(fds[0], buf, kSize) != static_cast<ssize_t>(kSize) ||
                orvo::read_all(fds[0], buf, kSize) != static_cast<ssize_t>(kSize))
                return -1;
        }
        runs.push_back(seconds_since(start) * 1e6 / kRoundTrips);
    }
    close(fds[0]);
    reap(echo);
    return median(runs);
}

int answer(qx_ipc_event *, qx_ipc_msg *req) {
    req->fd_svr = req->fd_src;
    req->fd_src = kServerKey;
    req->msg_id = req->msg_rsp;
    req->need_rsp = 0;
    qx_ipc_send_msg(req);
    return 0;
}

// (c) libqxipc request and answer, both sides running their loops; us per round trip.
double qxipc_round_trip() {
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    pid_t server = spawn([&] {
        qx_ipc_start_loop("msm-server");
        qx_ipc_event ev{};
        ev.keep = 1;
        ev.msg_id = 100;
        ev.handler = answer;
        qx_ipc_event_add(&ev);
        char one = 1;
        if (write(ready[1], &one, 1) != 1)
            return;
        while (get_terminate_flag() == 0)
            usleep(10000);
    });
    char one;
    if (read(ready[0], &one, 1) != 1)
        return -1;
    qx_ipc_start_loop(nullptr);
    qx_ipc_msg *req = qx_ipc_msg_new(kPayload);
    std::memset(req, 0, sizeof(qx_ipc_msg) + kPayload);
    req->fd_svr = kServerKey;
    req->fd_src = qx_ipc_get_self_fd();
    req->msg_id = 100;
    req->msg_rsp = 101;
    req->need_rsp = 1;
    req->len = kPayload;
    std::vector<double> runs;
    for (int r = 0; r < kRepeats; ++r) {
        auto start = Clock::now();
        for (int i = 0; i < kRoundTrips; ++i) {
            qx_ipc_msg *rsp = nullptr;
            if (qx_ipc_send_msg_wait_rsp_timeout(req, &rsp, 5000) != 0)
                return -1;
            qx_ipc_msg_free(rsp);
        }
        runs.push_back(seconds_since(start) * 1e6 / kRoundTrips);
    }
    qx_ipc_msg_free(req);
    qx_ipc_msg stop{};
    stop.fd_svr = kServerKey;
    stop.msg_id = 2;
    qx_ipc_send_msg(&stop);
    waitpid(server, nullptr, 0);
    qx_ipc_terminate_loop();
    close(ready[0]);
    close(ready[1]);
    return median(runs);
}

// (d) One-way sends into a queue that another process drains; messages per second.
double one_way_rate(bool through_library) {
    int sink = msgget(kSinkKey, IPC_CREAT | 0600);
    pid_t drain = spawn([&] {
        Raw msg{};
        while (msgrcv(sink, &msg, sizeof msg.text, 0, 0) >= 0) {
        }
    });
    qx_ipc_msg *msg = qx_ipc_msg_new(kPayload);
    std::memset(msg, 0, sizeof(qx_ipc_msg) + kPayload);
    msg->mtype = 1;
    msg->fd_svr = kSinkKey;
    msg->msg_id = 9;
    msg->len = kPayload;
    std::vector<double> runs;
    for (int r = 0; r < kRepeats; ++r) {
        auto start = Clock::now();
        for (int i = 0; i < kOneWay; ++i) {
            if (through_library)
                qx_ipc_send_msg(msg);
            else
                msgsnd(sink, msg, QX_IPC_HEADER_TEXT_SIZE + kPayload, 0);
        }
        runs.push_back(kOneWay / seconds_since(start));
    }
    qx_ipc_msg_free(msg);
    msgctl(sink, IPC_RMID, nullptr);
    waitpid(drain, nullptr, 0);
    return median(runs);
}

} // namespace

int main() {
    std::printf("kPayload %d bytes; %d round trips and %d one-way sends per run, median of %d "
                "runs\n",
                kPayload, kRoundTrips, kOneWay, kRepeats);
    double raw = raw_round_trip();
    double unix_stream = unix_round_trip();
    double library = qxipc_round_trip();
    std::printf("(a) raw msgsnd/msgrcv round trip   %8.2f us\n", raw);
    std::printf("(b) AF_UNIX stream round trip      %8.2f us   %.2f x raw\n", unix_stream,
                unix_stream / raw);
    std::printf("(c) libqxipc request/answer        %8.2f us   %.2f x raw (goal <= 1.25)\n",
                library, library / raw);
    double raw_rate = one_way_rate(false);
    double library_rate = one_way_rate(true);
    std::printf("(d) raw msgsnd one-way             %8.0f msg/s\n", raw_rate);
    std::printf("    qx_ipc_send_msg one-way        %8.0f msg/s   %.2f x raw (goal >= 0.95)\n",
                library_rate, library_rate / raw_rate);
    // Lines for bench/run's table (medians of the runs; no quartiles yet).
    std::printf("figure\tIPC: raw msgsnd/msgrcv round trip (us)\t%.2f\t-\t-\t-\n", raw);
    std::printf("figure\tIPC: libqxipc request/answer / raw\t%.2f\t-\t-\t<=1.25\n", library / raw);
    std::printf("figure\tIPC: qx_ipc_send_msg one-way / raw\t%.2f\t-\t-\t>=0.95\n",
                library_rate / raw_rate);
    return 0;
}
