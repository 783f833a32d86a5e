// SPDX-License-Identifier: MIT
// Round trips and one-way sends between two processes: raw System V queues (the floor),
// an AF_UNIX stream socket, and libqxipc, in short rounds taking turns within one run.
// Prints the medians and quartiles of the rounds and of each round's ratio to raw.
// Usage (in a simulated module, bench/ipc/run.sh): qxipc-bench [ROUNDS]
#include "libqxipc.h"
#include "spread.h"

#include "common/io.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <semaphore.h>
#include <sys/msg.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPayload = 64;
constexpr int kRoundTrips = 500; // per round
constexpr int kOneWay = 2000;    // per round
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

using bench::Spread;
using bench::spread;

// Microseconds per exchange of a round of count exchanges; negative when one failed.
using Round = std::function<double(int count)>;

double timed(int count, const std::function<bool()> &exchange) {
    auto start = Clock::now();
    for (int i = 0; i < count; ++i)
        if (!exchange())
            return -1;
    return seconds_since(start) * 1e6 / count;
}

// (a) Raw msgsnd/msgrcv ping-pong with an echoing process.
struct RawPeer {
    int ping = msgget(kPingKey, IPC_CREAT | 0600);
    int pong = msgget(kPongKey, IPC_CREAT | 0600);
    pid_t echo = spawn([this] {
        Raw msg{};
        for (;;) {
            if (msgrcv(ping, &msg, sizeof msg.text, 0, 0) < 0)
                return;
            msgsnd(pong, &msg, sizeof msg.text, 0);
        }
    });
    Raw msg{};

    double round(int count) {
        msg.mtype = 1;
        return timed(count, [this] {
            return msgsnd(ping, &msg, sizeof msg.text, 0) == 0 &&
                   msgrcv(pong, &msg, sizeof msg.text, 0, 0) >= 0;
        });
    }
    ~RawPeer() {
        reap(echo);
        msgctl(ping, IPC_RMID, nullptr);
        msgctl(pong, IPC_RMID, nullptr);
    }
};

// (b) AF_UNIX stream ping-pong with the same message size.
struct UnixPeer {
    static constexpr size_t kSize = sizeof(Raw);
    int fds[2] = {-1, -1};
    pid_t echo = -1;
    unsigned char buf[kSize] = {};

    UnixPeer() {
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
            return;
        echo = spawn([this] {
            close(fds[0]);
            unsigned char bytes[kSize];
            while (orvo::read_all(fds[1], bytes, kSize) == static_cast<ssize_t>(kSize) &&
                   orvo::write_all(fds[1], bytes, kSize) == static_cast<ssize_t>(kSize)) {
            }
        });
        close(fds[1]);
    }
    double round(int count) {
        return timed(count, [this] {
            return orvo::write_all(fds[0], buf, kSize) == static_cast<ssize_t>(kSize) &&
                   orvo::read_all(fds[0], buf, kSize) == static_cast<ssize_t>(kSize);
        });
    }
    ~UnixPeer() {
        close(fds[0]);
        reap(echo);
    }
};

int answer(qx_ipc_event *, qx_ipc_msg *req) {
    req->fd_svr = req->fd_src;
    req->fd_src = kServerKey;
    req->msg_id = req->msg_rsp;
    req->need_rsp = 0;
    qx_ipc_send_msg(req);
    return 0;
}

// (c) libqxipc request and answer, both sides running their loops.
struct LibraryPeer {
    pid_t server = -1;
    qx_ipc_msg *req = nullptr;

    bool start() {
        int ready[2];
        if (pipe(ready) != 0)
            return false;
        server = spawn([&] {
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
        bool up = read(ready[0], &one, 1) == 1;
        close(ready[0]);
        close(ready[1]);
        if (!up)
            return false;
        qx_ipc_start_loop(nullptr);
        req = qx_ipc_msg_new(kPayload);
        std::memset(req, 0, sizeof(qx_ipc_msg) + kPayload);
        req->fd_svr = kServerKey;
        req->fd_src = qx_ipc_get_self_fd();
        req->msg_id = 100;
        req->msg_rsp = 101;
        req->need_rsp = 1;
        req->len = kPayload;
        return true;
    }
    double round(int count) {
        return timed(count, [this] {
            qx_ipc_msg *rsp = nullptr;
            if (qx_ipc_send_msg_wait_rsp_timeout(req, &rsp, 5000) != 0)
                return false;
            qx_ipc_msg_free(rsp);
            return true;
        });
    }
    ~LibraryPeer() {
        if (server < 0)
            return;
        qx_ipc_msg_free(req);
        qx_ipc_msg stop{};
        stop.fd_svr = kServerKey;
        stop.msg_id = 2;
        qx_ipc_send_msg(&stop);
        waitpid(server, nullptr, 0);
        qx_ipc_terminate_loop();
    }
};

// (d) One-way sends into a queue that another process drains.
struct Sink {
    int queue = msgget(kSinkKey, IPC_CREAT | 0600);
    pid_t drain = spawn([this] {
        Raw msg{};
        while (msgrcv(queue, &msg, sizeof msg.text, 0, 0) >= 0) {
        }
    });
    qx_ipc_msg *msg = qx_ipc_msg_new(kPayload);

    Sink() {
        std::memset(msg, 0, sizeof(qx_ipc_msg) + kPayload);
        msg->mtype = 1;
        msg->fd_svr = kSinkKey;
        msg->msg_id = 9;
        msg->len = kPayload;
    }
    // Microseconds per message.
    double round(int count, bool through_library) {
        return timed(count, [&] {
            return through_library ? qx_ipc_send_msg(msg) == 0
                                   : msgsnd(queue, msg, QX_IPC_HEADER_TEXT_SIZE + kPayload, 0) == 0;
        });
    }
    ~Sink() {
        qx_ipc_msg_free(msg);
        msgctl(queue, IPC_RMID, nullptr);
        waitpid(drain, nullptr, 0);
    }
};

// A thread of this process woken by a semaphore, as a waiter is by the receive thread: a
// ping-pong between two threads; microseconds per hand-off (half a round trip).
struct ThreadPeer {
    sem_t ping, pong;
    std::atomic<bool> stop{false};
    std::thread echo;

    ThreadPeer() {
        sem_init(&ping, 0, 0);
        sem_init(&pong, 0, 0);
        echo = std::thread([this] {
            for (;;) {
                while (sem_wait(&ping) != 0) {
                }
                if (stop)
                    return;
                sem_post(&pong);
            }
        });
    }
    double round(int count) {
        return timed(count,
                     [this] {
                         sem_post(&ping);
                         while (sem_wait(&pong) != 0) {
                         }
                         return true;
                     }) /
               2;
    }
    ~ThreadPeer() {
        stop = true;
        sem_post(&ping);
        echo.join();
        sem_destroy(&ping);
        sem_destroy(&pong);
    }
};

void print(const char *what, const Spread &s, const char *unit) {
    std::printf("%-40s %9.2f %9.2f %9.2f  %s\n", what, s.median, s.q1, s.q3, unit);
}

// A line for bench/run's table: name, median, quartiles, goal.
void figure(const char *name, const Spread &s, const char *goal) {
    std::printf("figure\t%s\t%.2f\t%.2f\t%.2f\t%s\n", name, s.median, s.q1, s.q3, goal);
}

} // namespace

int main(int argc, char **argv) {
    int rounds = std::max(argc > 1 ? std::atoi(argv[1]) : 60, 4);
    RawPeer raw;
    UnixPeer unix_peer;
    LibraryPeer library;
    Sink sink;
    ThreadPeer threads;
    if (raw.echo < 0 || unix_peer.echo < 0 || !library.start() || sink.drain < 0) {
        std::perror("qxipc-bench: set-up");
        return 1;
    }
    enum { raw_trip, unix_trip, library_trip, raw_send, library_send, handoff, kinds };
    std::vector<double> samples[kinds];
    double last[kinds] = {};
    // Short rounds of each in turn, the order rotating, so that every kind sees the same
    // machine; round -1 warms up and is not kept.
    for (int r = -1; r < rounds; ++r) {
        for (int i = 0; i < kinds; ++i) {
            int kind = (i + r + 1) % kinds;
            switch (kind) {
            case raw_trip:
                last[kind] = raw.round(kRoundTrips);
                break;
            case unix_trip:
                last[kind] = unix_peer.round(kRoundTrips);
                break;
            case library_trip:
                last[kind] = library.round(kRoundTrips);
                break;
            case raw_send:
                last[kind] = sink.round(kOneWay, false);
                break;
            case handoff:
                last[kind] = threads.round(kRoundTrips);
                break;
            default:
                last[kind] = sink.round(kOneWay, true);
                break;
            }
            if (last[kind] < 0) {
                std::fprintf(stderr, "qxipc-bench: an exchange failed\n");
                return 1;
            }
        }
        if (r >= 0)
            for (int kind = 0; kind < kinds; ++kind)
                samples[kind].push_back(last[kind]);
    }
    std::vector<double> trip_ratio, unix_ratio, send_ratio;
    for (size_t i = 0; i < samples[raw_trip].size(); ++i) {
        trip_ratio.push_back(samples[library_trip][i] / samples[raw_trip][i]);
        unix_ratio.push_back(samples[unix_trip][i] / samples[raw_trip][i]);
        // A rate's ratio: raw time per message over the library's.
        send_ratio.push_back(samples[raw_send][i] / samples[library_send][i]);
    }
    std::printf("kPayload %d bytes; %d rounds of %d round trips and %d one-way sends each, in "
                "turn\n",
                kPayload, rounds, kRoundTrips, kOneWay);
    std::printf("%-40s %9s %9s %9s\n", "", "median", "q1", "q3");
    print("(a) raw msgsnd/msgrcv round trip", spread(samples[raw_trip]), "us");
    print("(b) AF_UNIX stream round trip", spread(samples[unix_trip]), "us");
    print("(c) libqxipc request/answer", spread(samples[library_trip]), "us");
    print("(d) raw msgsnd one-way", spread(samples[raw_send]), "us a message");
    print("    qx_ipc_send_msg one-way", spread(samples[library_send]), "us a message");
    print("(e) hand-off between two threads", spread(samples[handoff]), "us");
    std::printf("ratios per round:\n");
    print("(b) / (a)", spread(unix_ratio), "");
    print("(c) / (a)", spread(trip_ratio), "goal <= 1.25");
    print("one-way rate, library / raw", spread(send_ratio), "goal >= 0.95");
    figure("IPC: raw msgsnd/msgrcv round trip (us)", spread(samples[raw_trip]), "-");
    figure("IPC: libqxipc request/answer (us)", spread(samples[library_trip]), "-");
    figure("IPC: hand-off between two threads (us)", spread(samples[handoff]), "-");
    figure("IPC: libqxipc request/answer / raw", spread(trip_ratio), "<=1.25");
    figure("IPC: qx_ipc_send_msg one-way rate / raw", spread(send_ratio), ">=0.95");
    return 0;
}
