// NV requests per second and latency through paramlinkd (modem core -> channel -> daemon ->
// queue 4134 -> NV service and back) against the same request exchanged directly on the
// queue with the NV service. Runs inside the simulated module with orvo-sim-nvservice running
// (bench/nv_bridge/run.sh sets that up); it is the modem core itself and starts the daemon.
#include "modem_frames.h"
#include "modemcore_link.h"
#include "nv_paths.h"
#include "nvrpc_codec.h"
#include "simclient.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/mount.h>
#include <sys/msg.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double per_second;
    double median_us;
    double p99_us;
};

template <typename Exchange> bool measure(int count, Exchange exchange, Figures &figures) {
    std::vector<double> latencies;
    latencies.reserve(static_cast<size_t>(count));
    auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        auto before = Clock::now();
        if (!exchange(i))
            return false;
        latencies.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - before).count());
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(latencies.begin(), latencies.end());
    figures.per_second = count / seconds;
    figures.median_us = latencies[latencies.size() / 2];
    figures.p99_us = latencies[latencies.size() * 99 / 100];
    return true;
}

std::vector<uint8_t> request_frame(int32_t req_id) {
    sim::nv::FrameRequest request;
    request.key = "bench.key";
    request.req_id = req_id;
    return sim::nv::build_frame(request);
}

bool through_daemon(int channel, int32_t req_id) {
    std::vector<uint8_t> frame = request_frame(req_id);
    if (send(channel, frame.data(), frame.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(frame.size()))
        return false;
    static nvrpc::nvrpc_frame answer;
    ssize_t n = recv(channel, &answer, sizeof answer, 0);
    return n >= static_cast<ssize_t>(nvrpc::kFrameHeaderSize) && answer.cmd == nvrpc::kCmdAnswer;
}

bool direct(int queue, int32_t tid, int32_t req_id) {
    static nvrpc::nvrpc_frame frame;
    static nvrpc::nvrpc_req req;
    static nvrpc::nvrpc_rsp rsp;
    std::vector<uint8_t> bytes = request_frame(req_id);
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<uint8_t *>(&frame));
    nvrpc::build_request(frame, req, tid);
    if (msgsnd(queue, &req, nvrpc::kReqTextSize, 0) < 0)
        return false;
    ssize_t n = msgrcv(queue, &rsp, nvrpc::kRspTextSize, tid, MSG_NOERROR);
    return nvrpc::reply_matches(req, rsp, n);
}

void print(const char *what, const Figures &f) {
    printf("%-34s %9.0f requests/s   median %7.1f us   p99 %7.1f us\n", what, f.per_second,
           f.median_us, f.p99_us);
}

// The simulated kernel serves the wake-lock files through FUSE, far slower than the
// module's sysfs; plain files over them show the relay's own cost.
bool plain_wakelock_files() {
    for (const char *name : {"wake_lock", "wake_unlock"}) {
        std::string plain = std::string(NV_SIM_DIR "/") + name;
        std::string kernel = std::string("/sys/power/") + name;
        std::ofstream{plain};
        if (mount(plain.c_str(), kernel.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            perror("bench: bind a plain wake-lock file");
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    int count = argc > 1 ? atoi(argv[1]) : 5000;
    if (count < 100)
        count = 100;
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

    Figures relayed{}, relayed_plain{}, plain{};
    auto via_daemon = [&](int i) { return through_daemon(channel, i + 1); };
    auto on_queue = [&](int i) { return direct(queue, tid, i + 1); };
    // Warm up both paths, then measure.
    if (!measure(200, via_daemon, relayed) || !measure(200, on_queue, plain) ||
        !measure(count, via_daemon, relayed) || !measure(count, on_queue, plain) ||
        !plain_wakelock_files() || !measure(count, via_daemon, relayed_plain)) {
        fprintf(stderr, "bench: an exchange failed\n");
        return 1;
    }
    printf("%d NV requests each way\n", count);
    print("direct on queue 4134:", plain);
    print("through paramlinkd:", relayed);
    print("  same, wake lock as plain files:", relayed_plain);
    printf("relay cost (through / direct): latency x%.2f, throughput x%.2f\n",
           relayed.median_us / plain.median_us, plain.per_second / relayed.per_second);
    printf("  with plain wake-lock files:    latency x%.2f, throughput x%.2f (goal: at most x2)\n",
           relayed_plain.median_us / plain.median_us, plain.per_second / relayed_plain.per_second);
    return 0;
}
