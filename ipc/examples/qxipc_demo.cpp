// SPDX-License-Identifier: MIT
// qxipc-demo: a small endpoint for trying libqxipc from a shell.
//   qxipc-demo serve [NAME]              answer requests (100 -> msg_rsp) until stopped
//   qxipc-demo request KEY TEXT [MS]     send request 100 expecting 101, print the answer
//   qxipc-demo subscribe KEY TOPIC COUNT print COUNT messages published on TOPIC at KEY
//   qxipc-demo publish KEY TOPIC TEXT    publish TEXT on TOPIC through the endpoint KEY
//   qxipc-demo stop KEY                  send the stop message to KEY
#include "libqxipc.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr int kRequestId = 100;
constexpr int kAnswerId = 101;
constexpr int kStopId = 2;
constexpr int kSubscribeId = 3;
constexpr int kUnsubscribeId = 4;
constexpr int kPublishId = 5;

std::atomic<bool> interrupted{false};
std::atomic<int> received{0};

void on_signal(int) {
    interrupted = true;
}

std::string text_of(const qx_ipc_msg *msg) {
    return std::string(reinterpret_cast<const char *>(msg->data), static_cast<size_t>(msg->len));
}

qx_ipc_msg *message(int key, int msg_id, const char *text) {
    size_t len = text != nullptr ? std::strlen(text) : 0;
    qx_ipc_msg *msg = qx_ipc_msg_new(static_cast<int>(len));
    if (msg == nullptr)
        return nullptr;
    std::memset(msg, 0, sizeof *msg);
    msg->fd_svr = key;
    msg->fd_src = qx_ipc_get_self_fd();
    msg->msg_id = msg_id;
    msg->len = static_cast<int>(len);
    if (len > 0)
        std::memcpy(msg->data, text, len);
    return msg;
}

int send_simple(int key, int msg_id, int msg_rsp, const char *text) {
    qx_ipc_msg *msg = message(key, msg_id, text);
    if (msg == nullptr)
        return -1;
    msg->msg_rsp = msg_rsp;
    int result = qx_ipc_send_msg(msg);
    qx_ipc_msg_free(msg);
    return result;
}

int answer(qx_ipc_event *, qx_ipc_msg *req) {
    std::string text = "answer:" + text_of(req);
    qx_ipc_msg *rsp = message(req->fd_src, req->msg_rsp, text.c_str());
    if (rsp != nullptr) {
        qx_ipc_send_msg(rsp);
        qx_ipc_msg_free(rsp);
    }
    return 0;
}

int print_published(qx_ipc_event *, qx_ipc_msg *msg) {
    std::printf("topic %d from key %d: %s\n", msg->msg_id, msg->fd_src, text_of(msg).c_str());
    std::fflush(stdout);
    ++received;
    return 0;
}

void wait_until_stopped() {
    while (!interrupted && get_terminate_flag() == 0)
        usleep(20000);
}

// A lasting event for msg_id, tagged with it.
void add_event(int msg_id, qx_ipc_handler *handler) {
    qx_ipc_event ev{};
    ev.keep = 1;
    ev.tag = msg_id;
    ev.msg_id = msg_id;
    ev.handler = handler;
    qx_ipc_event_add(&ev);
}

int serve(const char *name) {
    if (qx_ipc_start_loop(name) == 0)
        return 1;
    add_event(kRequestId, answer);
    std::printf("serving %s on key %d\n", name != nullptr ? name : "qxipc", qx_ipc_get_self_fd());
    std::fflush(stdout);
    wait_until_stopped();
    qx_ipc_terminate_loop();
    return 0;
}

int request(int key, const char *text, unsigned timeout) {
    if (qx_ipc_start_loop(nullptr) == 0)
        return 1;
    qx_ipc_msg *req = message(key, kRequestId, text);
    qx_ipc_msg *rsp = nullptr;
    int result = -1;
    if (req != nullptr) {
        req->msg_rsp = kAnswerId;
        req->need_rsp = 1;
        result = qx_ipc_send_msg_wait_rsp_timeout(req, &rsp, timeout);
    }
    if (result == 0)
        std::printf("key %d answered: %s\n", rsp->fd_src, text_of(rsp).c_str());
    else
        std::printf("no answer\n");
    qx_ipc_msg_free(rsp);
    qx_ipc_msg_free(req);
    qx_ipc_terminate_loop();
    return result == 0 ? 0 : 1;
}

int subscribe(int key, int topic, int count) {
    if (qx_ipc_start_loop(nullptr) == 0)
        return 1;
    add_event(topic, print_published);
    if (send_simple(key, kSubscribeId, topic, nullptr) != 0) {
        qx_ipc_terminate_loop();
        return 1;
    }
    std::printf("key %d subscribed to topic %d at key %d\n", qx_ipc_get_self_fd(), topic, key);
    std::fflush(stdout);
    while (!interrupted && received < count)
        usleep(20000);
    send_simple(key, kUnsubscribeId, topic, nullptr);
    qx_ipc_terminate_loop();
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: qxipc-demo serve [NAME] | request KEY TEXT [MS] | "
                         "subscribe KEY TOPIC COUNT | publish KEY TOPIC TEXT | stop KEY\n");
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "serve")
        return serve(argc > 2 ? argv[2] : nullptr);
    if (command == "request" && argc >= 4)
        return request(std::atoi(argv[2]), argv[3], argc > 4 ? std::atoi(argv[4]) : 0);
    if (command == "subscribe" && argc == 5)
        return subscribe(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    if (command == "publish" && argc == 5)
        return send_simple(std::atoi(argv[2]), kPublishId, std::atoi(argv[3]), argv[4]) == 0 ? 0
                                                                                             : 1;
    if (command == "stop" && argc == 3)
        return send_simple(std::atoi(argv[2]), kStopId, 0, nullptr) == 0 ? 0 : 1;
    return usage();
}
