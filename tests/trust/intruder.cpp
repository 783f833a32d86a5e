// SPDX-License-Identifier: MIT
// intruder ACTION [ARGS]: another local user (uid and gid 65534) doing what any user of the
// module can do to the fixed keys and paths that root's components use. Started as root,
// it drops to that user before it acts. Prints one line saying what it did; the actions
// that hold something hold it until killed.
//   queue KEY              make queue KEY first, open to all (0666)
//   forge-nv               make queue 4134 first and answer every NV request on it with
//                          "FORGED-BY-UID-65534"; prints each request's key
//   hold-table             hold an exclusive flock on /tmp/.lock_table (readable by all)
//   plant-table NAME       make /tmp/.lock_table first (0666) with NAME in slot 0
//   write-table            open /tmp/.lock_table for writing
//   link-table TARGET      put a symbolic link to TARGET at /tmp/.lock_table
//   fifo-table             put a FIFO at /tmp/.lock_table
//   impostor               listen on both autosuspend service paths, accept every client,
//                          print what it is sent and send made-up wake-up records
//   jam PATH               listen on PATH, never accept, and fill its backlog
#include "nvrpc_frame.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <string>
#include <sys/file.h>
#include <sys/msg.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr uid_t kNobody = 65534;
constexpr const char *kTable = "/tmp/.lock_table";

[[noreturn]] void die(const char *what) {
    std::fprintf(stderr, "intruder: %s: %s\n", what, std::strerror(errno));
    std::exit(2);
}

void become_nobody() {
    if (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
        setresuid(kNobody, kNobody, kNobody) != 0)
        die("dropping to uid 65534");
    umask(0);
}

void said(const char *line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

[[noreturn]] void hold() {
    for (;;)
        pause();
}

int make_open_queue(key_t key) {
    int queue = msgget(key, IPC_CREAT | IPC_EXCL | 0666);
    if (queue < 0)
        die("msgget");
    return queue;
}

[[noreturn]] void forge_nv() {
    int queue = make_open_queue(nvrpc::kQueueKey);
    said("forging");
    for (;;) {
        nvrpc::nvrpc_req req{};
        if (msgrcv(queue, &req, nvrpc::kReqTextSize, nvrpc::kRequestType, 0) < 0)
            die("msgrcv");
        int32_t tid, req_id;
        std::memcpy(&tid, req.text + nvrpc::kReqTidAt, sizeof tid);
        std::memcpy(&req_id, req.text + nvrpc::kReqIdAt, sizeof req_id);
        std::printf("request key=%.64s\n", reinterpret_cast<char *>(req.text + nvrpc::kReqKeyAt));
        std::fflush(stdout);
        nvrpc::nvrpc_rsp rsp{};
        rsp.mtype = tid;
        const char forged[] = "FORGED-BY-UID-65534";
        std::memcpy(rsp.text + nvrpc::kRspReqIdAt, &req_id, sizeof req_id);
        std::memcpy(rsp.text + nvrpc::kRspValueAt, forged, sizeof forged);
        msgsnd(queue, &rsp, nvrpc::kRspValueAt + sizeof forged, 0);
    }
}

[[noreturn]] void hold_table() {
    int fd = open(kTable, O_RDONLY);
    if (fd < 0 || flock(fd, LOCK_EX) != 0)
        die(kTable);
    said("holding");
    hold();
}

void plant_table(const char *name) {
    std::vector<char> table(8704, 0);
    std::strncpy(table.data(), name, 63);
    int32_t pid = 1; // a process that always runs
    std::memcpy(table.data() + 8192, &pid, sizeof pid);
    int fd = open(kTable, O_RDWR | O_CREAT | O_EXCL, 0666);
    if (fd < 0 || write(fd, table.data(), table.size()) != static_cast<ssize_t>(table.size()))
        die(kTable);
    close(fd);
    said("planted");
}

sockaddr_un address_of(const char *path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
    return address;
}

int listen_on(const char *path, int backlog) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = address_of(path);
    unlink(path);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        listen(fd, backlog) != 0)
        die(path);
    chmod(path, 0777);
    return fd;
}

// Serves every client of a listener on a thread of its own, the client closed after.
void serve_each(int listener, void (*serve)(int client)) {
    for (;;) {
        int client = accept(listener, nullptr, nullptr);
        if (client < 0)
            continue;
        std::thread([client, serve] {
            serve(client);
            close(client);
        }).detach();
    }
}

// Prints what a client of the command path sends.
void print_commands(int client) {
    char text[64];
    ssize_t n;
    while ((n = read(client, text, sizeof text)) > 0) {
        std::printf("command %.*s\n", static_cast<int>(n), text);
        std::fflush(stdout);
    }
}

// Sends a client of the data path a made-up wake-up record every 100 ms.
void send_records(int client) {
    const uint32_t record[2] = {12345, 67890};
    while (send(client, record, sizeof record, MSG_NOSIGNAL) == sizeof record)
        usleep(100000);
}

[[noreturn]] void impostor() {
    int commands = listen_on("/tmp/autosuspend.cmd.server", 8);
    int records = listen_on("/tmp/autosuspend.data.server", 8);
    said("listening");
    std::thread(serve_each, records, send_records).detach();
    serve_each(commands, print_commands);
    hold();
}

[[noreturn]] void jam(const char *path) {
    int listener = listen_on(path, 0);
    // The backlog takes one more than asked: fill it with clients of our own.
    for (int i = 0; i < 4; ++i) {
        int client = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_un address = address_of(path);
        connect(client, reinterpret_cast<sockaddr *>(&address), sizeof address);
    }
    (void)listener;
    said("jammed");
    hold();
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: intruder ACTION [ARGS]\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    become_nobody();
    std::string action = argv[1];
    const char *arg = argc > 2 ? argv[2] : "";
    if (action == "queue") {
        make_open_queue(static_cast<key_t>(std::atoi(arg)));
        said("made");
    } else if (action == "forge-nv") {
        forge_nv();
    } else if (action == "hold-table") {
        hold_table();
    } else if (action == "plant-table") {
        plant_table(arg);
    } else if (action == "write-table") {
        if (open(kTable, O_WRONLY) < 0)
            die(kTable);
        said("opened");
    } else if (action == "link-table") {
        if (symlink(arg, kTable) != 0)
            die(kTable);
        said("linked");
    } else if (action == "fifo-table") {
        if (mkfifo(kTable, 0666) != 0)
            die(kTable);
        said("made");
    } else if (action == "impostor") {
        impostor();
    } else if (action == "jam") {
        jam(arg);
    } else {
        std::fprintf(stderr, "intruder: unknown action %s\n", action.c_str());
        return 2;
    }
    return 0;
}
