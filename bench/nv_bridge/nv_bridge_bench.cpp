// SPDX-License-Identifier: MIT
// An NV request through paramlinkd (modem core -> channel -> daemon -> queue 4134 -> NV
// service and back) against its floor, a minimal relay with the same hops and wake-lock
// writes and nothing else, and against the request exchanged directly on the queue. The
// three alternate in short rounds, with the simulated kernel's wake-lock files and with
// plain files bound over them, so that every figure sees the same machine; the parts of a
// request (a channel round trip, a wake-lock write) are measured in the same rounds.
// Runs inside the simulated module with orvo-sim-nvservice running (bench/nv_bridge/run.sh
// sets that up); it is the modem core itself and starts the daemon.
#include "common/kernel_wakelock.h"
#include "modem_frames.h"
#include "modemcore_link.h"
#include "nv_paths.h"
#include "nvrpc_codec.h"
#include "simclient.h"
#include "spread.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <sys/mount.h>
#include <sys/msg.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

using bench::Spread;
using bench::spread;

std::vector<uint8_t> request_frame(int32_t req_id) {
    sim::nv::FrameRequest request;
    request.key = "bench.key";
    request.req_id = req_id;
    return sim::nv::build_frame(request);
}

// One request over a channel and its answer back.
bool over_channel(int channel, int32_t req_id) {
    std::vector<uint8_t> frame = request_frame(req_id);
    if (send(channel, frame.data(), frame.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(frame.size()))
        return false;
    static nvrpc::nvrpc_frame answer;
    ssize_t n = recv(channel, &answer, sizeof answer, 0);
    return n >= static_cast<ssize_t>(nvrpc::kFrameHeaderSize) && answer.cmd == nvrpc::kCmdAnswer;
}

// The request on queue 4134 with the NV service, as the relay sends it.
bool on_queue(int queue, int32_t tid, nvrpc::nvrpc_frame &frame, nvrpc::nvrpc_req &req,
              nvrpc::nvrpc_rsp &rsp) {
    uint32_t word = nvrpc::build_request(frame, req, tid);
    if (msgsnd(queue, &req, nvrpc::kReqTextSize, 0) < 0)
        return false;
    ssize_t n = msgrcv(queue, &rsp, nvrpc::kRspTextSize, tid, MSG_NOERROR);
    if (!nvrpc::reply_matches(req, rsp, n))
        return false;
    nvrpc::build_answer(frame, word, rsp, n);
    return true;
}

bool direct(int queue, int32_t tid, int32_t req_id) {
    static nvrpc::nvrpc_frame frame;
    static nvrpc::nvrpc_req req;
    static nvrpc::nvrpc_rsp rsp;
    std::vector<uint8_t> bytes = request_frame(req_id);
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<uint8_t *>(&frame));
    return on_queue(queue, tid, frame, req, rsp);
}

bool wakelock(const char *file) {
    static const char kName[] = "nvrpc_lock";
    return orvo::write_wakelock_file(file, kName, sizeof kName - 1) == orvo::WakelockWrite::ok;
}

// The floor: a frame in, the wake lock taken, the request out and its reply back on the
// queue, the answer frame out, the wake lock released. Nothing else.
void floor_relay(int channel, int queue) {
    auto tid = static_cast<int32_t>(syscall(SYS_gettid));
    static nvrpc::nvrpc_frame frame;
    static nvrpc::nvrpc_req req;
    static nvrpc::nvrpc_rsp rsp;
    for (;;) {
        ssize_t n = recv(channel, &frame, sizeof frame, 0);
        if (n <= 0)
            _exit(0);
        wakelock(orvo::kWakeLockFile);
        if (!on_queue(queue, tid, frame, req, rsp))
            _exit(1);
        frame.cmd = nvrpc::kCmdAnswer;
        size_t size = nvrpc::kFrameHeaderSize + static_cast<size_t>(frame.payload_len);
        if (send(channel, &frame, size, MSG_NOSIGNAL) != static_cast<ssize_t>(size))
            _exit(1);
        wakelock(orvo::kWakeUnlockFile);
    }
}

// The channel alone: each frame straight back as an answer.
void echo(int channel) {
    static nvrpc::nvrpc_frame frame;
    for (;;) {
        ssize_t n = recv(channel, &frame, sizeof frame, 0);
        if (n <= 0)
            _exit(0);
        frame.cmd = nvrpc::kCmdAnswer;
        if (send(channel, &frame, static_cast<size_t>(n), MSG_NOSIGNAL) != n)
            _exit(1);
    }
}

// A child serving one end of a new channel; the other end is returned.
int start_child(const std::function<void(int)> &serve, std::vector<pid_t> &children) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return -1;
    pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        serve(ends[1]);
    }
    close(ends[1]);
    children.push_back(child);
    return child > 0 ? ends[0] : -1;
}

// Plain files bound over the wake-lock files, or the simulated kernel's again.
bool plain_wakelock_files(bool plain) {
    for (const char *name : {"wake_lock", "wake_unlock"}) {
        std::string file = std::string(NV_SIM_DIR "/") + name;
        std::string kernel = std::string("/sys/power/") + name;
        if (!plain) {
            if (umount2(kernel.c_str(), MNT_DETACH) != 0)
                return false;
            continue;
        }
        std::ofstream{file};
        if (mount(file.c_str(), kernel.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            perror("bench: bind a plain wake-lock file");
            return false;
        }
    }
    return true;
}

// Mean microseconds of one exchange over count of them.
bool round_of(int count, const std::function<bool(int)> &exchange, double *mean_us) {
    auto start = Clock::now();
    for (int i = 0; i < count; ++i)
        if (!exchange(i + 1))
            return false;
    *mean_us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count;
    return true;
}

struct Exchange {
    const char *name;
    std::function<bool(int)> run;
    std::vector<double> samples[2]; // simulated kernel, plain files
};

void print(const char *what, const Spread &s) {
    printf("  %-46s %8.1f %8.1f %8.1f\n", what, s.median, s.q1, s.q3);
}

// A line for bench/run's table: name, median, quartiles, goal.
void figure(const std::string &name, const Spread &s, const char *goal) {
    printf("figure\t%s\t%.2f\t%.2f\t%.2f\t%s\n", name.c_str(), s.median, s.q1, s.q3, goal);
}

std::vector<double> per_round(const std::vector<double> &a, const std::vector<double> &b,
                              const std::function<double(double, double)> &f) {
    std::vector<double> out;
    for (size_t i = 0; i < a.size(); ++i)
        out.push_back(f(a[i], b[i]));
    return out;
}

} // namespace

int main(int argc, char **argv) {
    int rounds = std::max(argc > 1 ? atoi(argv[1]) : 30, 4);
    int count = std::max(argc > 2 ? atoi(argv[2]) : 100, 10);
    orvo::UniqueFd listener = sim::nv::seqpacket_listen(NV_SIM_CHANNEL_SOCKET);
    if (!listener) {
        perror("bench: listen");
        return 1;
    }
    sim::Service daemon("paramlinkd");
    if (!daemon.start()) {
        fprintf(stderr, "bench: %s\n", daemon.error().c_str());
        return 1;
    }
    int channel = accept(listener.get(), nullptr, nullptr);
    char hello[24] = {};
    if (channel < 0 || send(channel, hello, sizeof hello, 0) != sizeof hello) {
        perror("bench: channel");
        return 1;
    }
    int queue = msgget(nvrpc::kQueueKey, IPC_CREAT | 0600);
    auto tid = static_cast<int32_t>(syscall(SYS_gettid));
    std::vector<pid_t> children;
    int floor_channel = start_child([queue](int end) { floor_relay(end, queue); }, children);
    int echo_channel = start_child(echo, children);
    if (queue < 0 || floor_channel < 0 || echo_channel < 0) {
        perror("bench: set-up");
        return 1;
    }

    std::vector<Exchange> exchanges = {
        {"direct on queue 4134", [&](int i) { return direct(queue, tid, i); }, {}},
        {"floor relay", [&](int i) { return over_channel(floor_channel, i); }, {}},
        {"paramlinkd", [&](int i) { return over_channel(channel, i); }, {}},
        {"channel round trip", [&](int i) { return over_channel(echo_channel, i); }, {}},
        {"wake-lock write",
         [&](int i) { return wakelock(i % 2 ? orvo::kWakeLockFile : orvo::kWakeUnlockFile); },
         {}},
    };
    // Round -1 warms every path up and is not kept.
    for (int r = -1; r < rounds; ++r) {
        for (int plain = 0; plain < 2; ++plain) {
            if (plain && !plain_wakelock_files(true))
                return 1;
            for (size_t i = 0; i < exchanges.size(); ++i) {
                Exchange &e = exchanges[(i + static_cast<size_t>(r + 1)) % exchanges.size()];
                double mean = 0;
                if (!round_of(count, e.run, &mean)) {
                    fprintf(stderr, "bench: %s failed\n", e.name);
                    return 1;
                }
                if (r >= 0)
                    e.samples[plain].push_back(mean);
            }
            if (plain && !plain_wakelock_files(false)) {
                perror("bench: unbind the plain wake-lock files");
                return 1;
            }
        }
    }
    close(floor_channel);
    close(echo_channel);
    for (pid_t child : children)
        waitpid(child, nullptr, 0);

    printf("%d rounds of %d NV requests each way, in turn; microseconds per request\n", rounds,
           count);
    const char *modes[2] = {"simulated kernel's wake-lock files", "plain wake-lock files"};
    for (int plain = 0; plain < 2; ++plain) {
        const auto &direct_s = exchanges[0].samples[plain];
        const auto &floor_s = exchanges[1].samples[plain];
        const auto &daemon_s = exchanges[2].samples[plain];
        const auto &channel_s = exchanges[3].samples[plain];
        const auto &write_s = exchanges[4].samples[plain];
        printf("with the %s:%*s median       q1       q3\n", modes[plain],
               static_cast<int>(44 - strlen(modes[plain])), "");
        for (const Exchange &e : exchanges)
            print(e.name, spread(e.samples[plain]));
        Spread ratio =
            spread(per_round(daemon_s, floor_s, [](double a, double b) { return a / b; }));
        print("paramlinkd / floor relay (per round)", ratio);
        printf("  decomposition of a paramlinkd request (medians of the rounds):\n");
        std::vector<double> parts_sum;
        for (size_t i = 0; i < floor_s.size(); ++i)
            parts_sum.push_back(channel_s[i] + direct_s[i] + 2 * write_s[i]);
        print("  channel round trip", spread(channel_s));
        print("  queue exchange (the direct one)", spread(direct_s));
        print("  two wake-lock writes",
              spread(per_round(write_s, write_s, [](double a, double) { return 2 * a; })));
        print("  sum of the parts", spread(parts_sum));
        print("  floor relay beyond the parts (hand-offs)",
              spread(per_round(floor_s, parts_sum, [](double a, double b) { return a - b; })));
        print("  daemon's own work (paramlinkd - floor)",
              spread(per_round(daemon_s, floor_s, [](double a, double b) { return a - b; })));
        std::string mode = plain ? " (plain wake-lock files)" : " (simulated kernel)";
        figure("NV: paramlinkd request" + mode + " (us)", spread(daemon_s), "-");
        figure("NV: floor relay request" + mode + " (us)", spread(floor_s), "-");
        figure("NV: direct exchange" + mode + " (us)", spread(direct_s), "-");
        figure("NV: paramlinkd / floor relay" + mode, ratio, "<=1.1");
    }
    return 0;
}
