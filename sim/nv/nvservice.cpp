// SPDX-License-Identifier: MIT
// orvo-sim-nvservice: the NV parameter service of the simulated module. Serves requests of type
// 6 on queue 4134 from the parameters kept in NV_SIM_DIR/params and answers each with the
// requester's tid as mtype, its req_id, a result word (0: found or stored) and a value.
//
// Misbehaviour on request, by lines in NV_SIM_DIR/service.ctl followed by SIGHUP:
//   delay MS       answer every request MS milliseconds late
//   wrong-id N     answer the next N requests first with a wrong req_id, then rightly
//   silent N       leave the next N requests unanswered (N < 0: all, 0: end silence)
//   drop-queue N   remove the queue on each of the next N requests instead of answering
//   oversize N     answer the next N requests with 2040 value bytes and no NUL
//   reset          behave again
// Records each request as a line in NV_SIM_DIR/requests.log and the last one, as the module
// lays it out (4-byte mtype), in NV_SIM_DIR/last-request.bin; --quiet records nothing.
#include "modem_frames.h"
#include "nv_paths.h"
#include "nvrpc_frame.h"
#include "param_store.h"
#include "simctl.h"
#include "simfail.h"
#include "simstrict.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/msg.h>
#include <unistd.h>

namespace {

constexpr int32_t kResultOk = 0;
constexpr int32_t kResultNotFound = 1;
constexpr int32_t kResultStoreFailed = 2;
constexpr int32_t kResultBadRequest = 3;

volatile sig_atomic_t g_reload = 0;

void on_hangup(int) {
    g_reload = 1;
}

struct Behaviour {
    long delay_ms = 0;
    long wrong_id = 0;
    long silent = 0;
    long drop_queue = 0;
    long oversize = 0;
};

void reload(Behaviour &behaviour) {
    g_reload = 0;
    const char *path = NV_SIM_DIR "/service.ctl";
    const char *taken = NV_SIM_DIR "/service.ctl.taken";
    if (rename(path, taken) != 0)
        return;
    std::ifstream in(taken);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string verb;
        long value = 1;
        words >> verb >> value;
        if (verb == "delay")
            behaviour.delay_ms = value;
        else if (verb == "wrong-id")
            behaviour.wrong_id = value;
        else if (verb == "silent")
            behaviour.silent = value;
        else if (verb == "drop-queue")
            behaviour.drop_queue = value;
        else if (verb == "oversize")
            behaviour.oversize = value;
        else if (verb == "reset")
            behaviour = Behaviour{};
    }
    unlink(taken);
}

int32_t text_i32(const nvrpc::nvrpc_req &req, size_t at) {
    int32_t value;
    memcpy(&value, req.text + at, sizeof value);
    return value;
}

std::string text_field(const uint8_t *at, size_t size) {
    const char *text = reinterpret_cast<const char *>(at);
    return std::string(text, strnlen(text, size));
}

void record(const nvrpc::nvrpc_req &req) {
    std::string key = text_field(req.text + nvrpc::kReqKeyAt, nvrpc::kKeySize);
    std::string value = text_field(req.text + nvrpc::kReqValueAt, nvrpc::kValueSize);
    char head[160];
    snprintf(head, sizeof head, "request mtype=%ld tid=%d req_id=%d op=%d key=\"", req.mtype,
             text_i32(req, nvrpc::kReqTidAt), text_i32(req, nvrpc::kReqIdAt),
             text_i32(req, sim::nv::kHeadOpAt - nvrpc::kHeadToText));
    std::string line =
        head + sim::nv::escaped(key) + "\" value=\"" + sim::nv::escaped(value) + "\"";
    sim::append_line(NV_SIM_DIR "/requests.log", line);
    if (FILE *raw = fopen(NV_SIM_DIR "/last-request.bin", "w")) {
        auto mtype = static_cast<int32_t>(req.mtype);
        fwrite(&mtype, sizeof mtype, 1, raw);
        fwrite(req.text, sizeof req.text, 1, raw);
        fclose(raw);
    }
}

void reply(int queue, const nvrpc::nvrpc_req &req, int32_t req_id, int32_t result,
           const std::string &value) {
    nvrpc::nvrpc_rsp rsp{};
    rsp.mtype = text_i32(req, nvrpc::kReqTidAt);
    memcpy(rsp.text + nvrpc::kRspReqIdAt, &req_id, sizeof req_id);
    memcpy(rsp.text + nvrpc::kRspResultAt, &result, sizeof result);
    size_t length = value.size() < nvrpc::kValueSize - 1 ? value.size() : nvrpc::kValueSize - 1;
    memcpy(rsp.text + nvrpc::kRspValueAt, value.data(), length);
    if (msgsnd(queue, &rsp, nvrpc::kRspValueAt + length + 1, 0) < 0)
        perror("orvo-sim-nvservice: msgsnd");
}

// A reply larger than any the daemon takes, its value without a terminator.
void reply_oversized(int queue, const nvrpc::nvrpc_req &req) {
    struct {
        long mtype;
        uint8_t text[2048];
    } big;
    big.mtype = text_i32(req, nvrpc::kReqTidAt);
    memcpy(big.text + nvrpc::kRspReqIdAt, req.text + nvrpc::kReqIdAt, sizeof(int32_t));
    memset(big.text + nvrpc::kRspResultAt, 0, sizeof(int32_t));
    memset(big.text + nvrpc::kRspValueAt, 'x', sizeof big.text - nvrpc::kRspValueAt);
    if (msgsnd(queue, &big, sizeof big.text, 0) < 0)
        perror("orvo-sim-nvservice: msgsnd");
}

void answer(int queue, const nvrpc::nvrpc_req &req, sim::nv::ParamStore &store) {
    int32_t op = text_i32(req, sim::nv::kHeadOpAt - nvrpc::kHeadToText);
    std::string key = text_field(req.text + nvrpc::kReqKeyAt, nvrpc::kKeySize);
    int32_t req_id = text_i32(req, nvrpc::kReqIdAt);
    if (key.empty() || (op != sim::nv::kOpGet && op != sim::nv::kOpSet)) {
        reply(queue, req, req_id, kResultBadRequest, "");
        return;
    }
    if (op == sim::nv::kOpSet) {
        std::string value = text_field(req.text + nvrpc::kReqValueAt, nvrpc::kValueSize - 1);
        reply(queue, req, req_id, store.set(key, value) ? kResultOk : kResultStoreFailed, "");
        return;
    }
    auto value = store.get(key);
    reply(queue, req, req_id, value ? kResultOk : kResultNotFound, value.value_or(""));
}

// On a strict platform the service answers late now and then. It answers twice only when
// asked (ctl set nv_answer_twice PER_MILLE, as the soak does): the daemon reports the
// surplus reply, and sends its next request once more when the surplus comes during that
// one's wait, which a test counting requests sees.
void answer_strictly(int queue, const nvrpc::nvrpc_req &req, sim::nv::ParamStore &store) {
    constexpr unsigned kLateChance = 200, kLateMaxUs = 5000; // per thousand, microseconds
    if (orvo_sim_strict_chance(kLateChance)) {
        orvo_sim_strict_count(ORVO_STRICT_LATE_ANSWER);
        usleep(1 + orvo_sim_strict_draw(kLateMaxUs));
    }
    answer(queue, req, store);
    long twice = 0;
    if (orvo_sim_setting("nv_answer_twice", &twice) && twice > 0 &&
        orvo_sim_strict_chance(static_cast<unsigned>(twice))) {
        orvo_sim_strict_count(ORVO_STRICT_DOUBLE_ANSWER);
        answer(queue, req, store);
    }
}

int open_queue() {
    int queue = msgget(nvrpc::kQueueKey, IPC_CREAT | 0600);
    if (queue < 0)
        perror("orvo-sim-nvservice: msgget");
    return queue;
}

} // namespace

int main(int argc, char **argv) {
    bool quiet = argc > 1 && std::string(argv[1]) == "--quiet";
    struct sigaction action {};
    action.sa_handler = on_hangup;
    sigaction(SIGHUP, &action, nullptr);

    sim::nv::ParamStore store(NV_SIM_DIR "/params");
    Behaviour behaviour;
    reload(behaviour);
    int queue = open_queue();
    if (queue < 0)
        return 1;
    // Ready: SIGHUP is safe to send from now on.
    std::ofstream(NV_SIM_DIR "/service.ready") << getpid() << "\n";
    static nvrpc::nvrpc_req req;
    for (;;) {
        if (g_reload)
            reload(behaviour);
        ssize_t n = msgrcv(queue, &req, sizeof req.text, nvrpc::kRequestType, MSG_NOERROR);
        if (g_reload)
            reload(behaviour);
        if (n < 0) {
            if (errno == EIDRM || errno == EINVAL)
                queue = open_queue();
            if (queue < 0)
                return 1;
            continue;
        }
        if (!quiet)
            record(req);
        if (behaviour.drop_queue > 0) {
            --behaviour.drop_queue;
            msgctl(queue, IPC_RMID, nullptr);
            queue = open_queue();
            continue;
        }
        if (behaviour.silent != 0) {
            if (behaviour.silent > 0)
                --behaviour.silent;
            continue;
        }
        if (behaviour.delay_ms > 0)
            usleep(static_cast<useconds_t>(behaviour.delay_ms) * 1000);
        if (behaviour.wrong_id > 0) {
            --behaviour.wrong_id;
            reply(queue, req, text_i32(req, nvrpc::kReqIdAt) + 1, kResultNotFound, "stale");
        }
        if (behaviour.oversize > 0) {
            --behaviour.oversize;
            reply_oversized(queue, req);
            continue;
        }
        answer_strictly(queue, req, store);
    }
}
