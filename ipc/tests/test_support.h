/* SPDX-License-Identifier: MIT */
// Helpers for the libqxipc tests: messages, recorded deliveries, child processes, queues.
#pragma once

#include "libqxipc.h"
#include "tests/support/kit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/msg.h>
#include <unistd.h>
#include <vector>

namespace ipctest {

struct MsgFree {
    void operator()(qx_ipc_msg *msg) const { qx_ipc_msg_free(msg); }
};
using Msg = std::unique_ptr<qx_ipc_msg, MsgFree>;

inline Msg make_msg(int fd_svr, int msg_id, const std::string &payload = "") {
    Msg msg(qx_ipc_msg_new(static_cast<int>(payload.size())));
    std::memset(msg.get(), 0, sizeof(qx_ipc_msg));
    msg->fd_svr = fd_svr;
    msg->fd_src = qx_ipc_get_self_fd();
    msg->msg_id = msg_id;
    msg->len = static_cast<int>(payload.size());
    std::memcpy(msg->data, payload.data(), payload.size());
    return msg;
}

// The built-in message identifiers that carry a topic in msg_rsp.
constexpr int kSubscribeId = 3;
constexpr int kUnsubscribeId = 4;
constexpr int kPublishId = 5;

// A message whose msg_rsp carries a topic or a reply identifier.
inline Msg make_msg(int fd_svr, int msg_id, int rsp, const std::string &payload) {
    Msg msg = make_msg(fd_svr, msg_id, payload);
    msg->msg_rsp = rsp;
    return msg;
}

// Sends a message with its topic in msg_rsp (subscribe, unsubscribe, publish).
inline void send_to(int key, int msg_id, int topic, const std::string &text = "") {
    Msg msg = make_msg(key, msg_id, topic, text);
    ASSERT_EQ(qx_ipc_send_msg(msg.get()), 0);
}

inline std::string payload(const qx_ipc_msg *msg) {
    return std::string(reinterpret_cast<const char *>(msg->data), static_cast<size_t>(msg->len));
}

inline bool queue_exists(int key) {
    return msgget(key, 0) >= 0;
}

inline void remove_queue(int key) {
    int id = msgget(key, 0);
    if (id >= 0)
        msgctl(id, IPC_RMID, nullptr);
}

// Queues of this IPC namespace, whatever their key (IPC_PRIVATE ones too).
inline int queue_count() {
    std::ifstream list("/proc/sysvipc/msg");
    int lines = 0;
    for (std::string line; std::getline(list, line);)
        ++lines;
    return lines - 1; // the heading
}

// Messages waiting in the queue of key, or -1 when there is none.
inline long queued(int key) {
    int id = msgget(key, 0);
    msqid_ds info{};
    if (id < 0 || msgctl(id, IPC_STAT, &info) < 0)
        return -1;
    return static_cast<long>(info.msg_qnum);
}

inline qx_ipc_event make_event(int msg_id, int tag, int keep, qx_ipc_handler *handler,
                               void *arg = nullptr) {
    return qx_ipc_event{0, keep, tag, msg_id, handler, arg, nullptr};
}

// What handlers saw: "<tag>:<msg_id>:<payload>" per call, in call order.
class Recorder {
  public:
    static int handler(qx_ipc_event *ev, qx_ipc_msg *msg) {
        static_cast<Recorder *>(ev->arg)->note(ev, msg);
        return 0;
    }

    qx_ipc_event event(int msg_id, int tag, int keep) {
        return make_event(msg_id, tag, keep, handler, this);
    }

    // event() registered at once.
    qx_ipc_event add(int msg_id, int tag, int keep) {
        qx_ipc_event ev = event(msg_id, tag, keep);
        EXPECT_EQ(qx_ipc_event_add(&ev), 0);
        return ev;
    }

    // Waits (bounded, against hangs) until n calls were recorded.
    bool wait_for(size_t n, std::chrono::seconds limit = std::chrono::seconds(10)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return calls_.size() >= n; });
    }

    std::vector<std::string> calls() {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }

    std::vector<qx_ipc_msg> headers() {
        std::lock_guard<std::mutex> lock(mutex_);
        return headers_;
    }

  private:
    void note(qx_ipc_event *ev, qx_ipc_msg *msg) {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(std::to_string(ev->tag) + ":" + std::to_string(msg->msg_id) + ":" +
                         payload(msg));
        qx_ipc_msg header;
        std::memcpy(&header, msg, sizeof header);
        headers_.push_back(header);
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> calls_;
    std::vector<qx_ipc_msg> headers_;
};

// A one-way channel for small integers between a parent and a forked child.
class Pipe {
  public:
    Pipe() { EXPECT_EQ(pipe(fds_), 0); }
    ~Pipe() {
        close(fds_[0]);
        close(fds_[1]);
    }
    void put(int value) { EXPECT_EQ(write(fds_[1], &value, sizeof value), (ssize_t)sizeof value); }
    // The next value, or -9999 when none comes within the limit.
    int get(int limit_ms = 10000) {
        pollfd p{fds_[0], POLLIN, 0};
        int value = -9999;
        if (poll(&p, 1, limit_ms) == 1 && read(fds_[0], &value, sizeof value) != sizeof value)
            value = -9999;
        return value;
    }

  private:
    int fds_[2]{-1, -1};
};

inline std::string first_line(const std::string &path) {
    std::string line;
    std::getline(std::ifstream(path), line);
    return line;
}

// Receive threads still in this process: they carry their endpoint's name, while the
// test's own threads (and a sanitizer's) keep the program's.
inline int receive_threads() {
    const std::string program = first_line("/proc/self/comm");
    int count = 0;
    if (DIR *tasks = opendir("/proc/self/task")) {
        while (dirent *task = readdir(tasks))
            if (task->d_name[0] != '.' &&
                first_line(std::string("/proc/self/task/") + task->d_name + "/comm") != program)
                ++count;
        closedir(tasks);
    }
    return count;
}

// Runs body in a fresh process (testkit::spawn), once an ended receive thread has gone, so
// the child starts without one.
inline pid_t spawn(const std::function<int()> &body) {
    testkit::eventually([&] { return receive_threads() == 0; });
    return testkit::spawn(body);
}

using testkit::StdoutCapture;
using testkit::wait_exit;

} // namespace ipctest
