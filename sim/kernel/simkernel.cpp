// SPDX-License-Identifier: MIT
// The simulated kernel: a FUSE file system mounted over the sandbox's /sys, serving the
// kernel files that the system uses, plus /sys/sim/control and /sys/sim/writes through
// which tests and the tour drive it (see sim/module ctl kernel).
#define FUSE_USE_VERSION 31
#include "simfail.h"
#include "simstrict.h"
#include "wakelocks.h"

#include <fuse_lowlevel.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using sim::kernel::WakeLocks;

enum class Kind {
    dir,
    wake_lock,
    wake_unlock,
    wakeup_sources,
    xp2xp_state,
    register_file,
    control,
    writes
};

struct Node {
    Kind kind;
    mode_t mode;
};

const std::map<std::string, Node> kTree = {
    {"/", {Kind::dir, 0755}},
    {"/power", {Kind::dir, 0755}},
    {"/power/wake_lock", {Kind::wake_lock, 0644}},
    {"/power/wake_unlock", {Kind::wake_unlock, 0644}},
    {"/kernel", {Kind::dir, 0755}},
    {"/kernel/debug", {Kind::dir, 0700}},
    {"/kernel/debug/wakeup_sources", {Kind::wakeup_sources, 0444}},
    {"/kernel/debug/pmu_kv31", {Kind::dir, 0755}},
    {"/kernel/debug/pmu_kv31/regs", {Kind::register_file, 0644}},
    {"/xp2xp", {Kind::dir, 0755}},
    {"/xp2xp/xp2xp_notify", {Kind::dir, 0755}},
    {"/xp2xp/xp2xp_notify/xp2xp_state", {Kind::xp2xp_state, 0444}},
    {"/devices", {Kind::dir, 0755}},
    {"/devices/platform", {Kind::dir, 0755}},
    {"/devices/platform/soc", {Kind::dir, 0755}},
    {"/devices/platform/soc/1307000.gmac", {Kind::dir, 0755}},
    {"/devices/platform/soc/1307000.gmac/gmac_power", {Kind::register_file, 0644}},
    {"/sim", {Kind::dir, 0755}},
    {"/sim/control", {Kind::control, 0200}},
    {"/sim/writes", {Kind::writes, 0444}},
};

std::string basename_of(const std::string &path) {
    return path.substr(path.rfind('/') + 1);
}

// An xp2xp_state read waiting for an edge: the request answers when one is raised.
struct PendingRead {
    fuse_req_t req;
    size_t size;
};

class Kernel {
  public:
    WakeLocks wakelocks;

    int fault(const std::string &path) {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = faults_.find(basename_of(path));
        if (it == faults_.end())
            return 0;
        int error = orvo_sim_script_take(&it->second);
        if (it->second.count == 0)
            faults_.erase(it);
        return -error;
    }

    void record_write(const std::string &path, const std::string &text) {
        std::lock_guard<std::mutex> guard(mutex_);
        std::string escaped;
        for (char c : text)
            escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
        writes_ += "/sys" + path + " " + escaped + "\n";
        registers_[path] = text;
    }

    std::string writes() {
        std::lock_guard<std::mutex> guard(mutex_);
        return writes_;
    }

    std::string register_value(const std::string &path) {
        std::lock_guard<std::mutex> guard(mutex_);
        return registers_[path];
    }

    // An edge for the oldest waiting xp2xp_state read, or for the next one (length: the
    // bytes it returns; negative: that errno). With a generation, only while no reset has
    // come since it was taken.
    void queue_read(int length, std::optional<unsigned> generation = std::nullopt);
    // The same edge `ms` milliseconds from now (0: now); a reset in between drops it.
    void queue_read_after(int ms, int length);
    // An xp2xp_state read: answered now if an edge is queued, else when one is raised or
    // the reader is interrupted.
    void take_read(fuse_req_t req, size_t size);
    // The reader of req was interrupted (a signal, a cancelled thread): it returns EINTR.
    void interrupt(fuse_req_t req);

    int control(const std::string &commands);
    // No queued or timed edges, failures, registers or recorded writes.
    void reset() {
        std::lock_guard<std::mutex> guard(mutex_);
        ++generation_;
        reads_.clear();
        faults_.clear();
        registers_.clear();
        writes_.clear();
    }

  private:
    std::mutex mutex_;
    std::deque<int> reads_;
    unsigned generation_ = 0; // counts resets, which drop the timed edges still to come
    std::deque<PendingRead> readers_;
    std::map<std::string, orvo_sim_script> faults_; // by file name, "fail FILE ERRNO [COUNT]"
    std::map<std::string, std::string> registers_;
    std::string writes_;
};

Kernel g_kernel;
constexpr unsigned kStrictReadFailureChance = 100; // per thousand xp2xp_state reads
// A read length for xp2xp_state: a whole number (negative: that errno); anything else is
// refused rather than taken for 0.
bool read_length(const std::string &text, int *length) {
    char *end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < -4096 || value > 4096)
        return false;
    *length = static_cast<int>(value);
    return true;
}

// An edge's optional delay: nothing, or whole milliseconds up to a day.
bool delay_of(const std::string &text, int *ms) {
    std::istringstream words(text);
    long value = 0;
    std::string extra;
    if (!(words >> value)) {
        *ms = 0;
        return text.find_first_not_of(" \t") == std::string::npos;
    }
    if (words >> extra || value < 0 || value > 86400000)
        return false;
    *ms = static_cast<int>(value);
    return true;
}

int Kernel::control(const std::string &commands) {
    std::istringstream lines(commands);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string verb, arg, rest;
        words >> verb >> arg;
        std::getline(words, rest);
        orvo_sim_script script{};
        int length = 0;
        if (verb.empty())
            continue;
        int ms = 0;
        if (verb == "edge" && (arg == "0" || arg == "1") && delay_of(rest, &ms)) {
            queue_read_after(ms, arg == "0" ? 5 : 6);
        } else if (verb == "xp2xp" && read_length(arg, &length)) {
            queue_read(length);
        } else if (verb == "fail" && !arg.empty() &&
                   orvo_sim_script_parse(rest.c_str(), &script) == 0 && script.code > 0) {
            std::lock_guard<std::mutex> guard(mutex_);
            faults_[arg] = script;
        } else if (verb == "unfail" && !arg.empty()) {
            std::lock_guard<std::mutex> guard(mutex_);
            faults_.erase(arg);
        } else if (verb == "reset" && arg.empty()) {
            reset();
        } else {
            return -EINVAL;
        }
    }
    return 0;
}

std::string snapshot(Kind kind, const std::string &path) {
    switch (kind) {
    case Kind::wake_lock:
        return g_kernel.wakelocks.held_list();
    case Kind::wake_unlock:
        return g_kernel.wakelocks.released_list();
    case Kind::wakeup_sources:
        return g_kernel.wakelocks.sources_table();
    case Kind::register_file:
        return g_kernel.register_value(path);
    case Kind::writes:
        return g_kernel.writes();
    default:
        return "";
    }
}

// The answer of an xp2xp_state read of size bytes for an edge of length bytes: "0\n" and
// "1\n" padded as the driver does, 5 bytes for low-power mode off, 6 for on; a smaller read
// gets the text's first bytes, as from any attribute.
void answer_read(fuse_req_t req, size_t size, int length) {
    if (length < 0) {
        fuse_reply_err(req, -length);
        return;
    }
    char fill = length == 5 ? '0' : length == 6 ? '1' : 'x';
    std::string text(static_cast<size_t>(length), fill);
    if (length > 0)
        text.back() = '\n';
    fuse_reply_buf(req, text.data(), std::min(text.size(), size));
}

void on_interrupt(fuse_req_t req, void *) {
    g_kernel.interrupt(req);
}

void Kernel::queue_read(int length, std::optional<unsigned> generation) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (generation && *generation != generation_)
        return;
    if (readers_.empty()) {
        reads_.push_back(length);
        return;
    }
    PendingRead reader = readers_.front();
    readers_.pop_front();
    lock.unlock();
    answer_read(reader.req, reader.size, length);
}

void Kernel::queue_read_after(int ms, int length) {
    if (ms == 0) {
        queue_read(length);
        return;
    }
    unsigned generation;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        generation = generation_;
    }
    std::thread([this, ms, length, generation] {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        queue_read(length, generation);
    }).detach();
}

void Kernel::take_read(fuse_req_t req, size_t size) {
    // Interrupted before it got here (one thread serves every request, so this cannot
    // change until the request is queued): a reader being cancelled never takes an edge.
    if (fuse_req_interrupted(req)) {
        fuse_reply_err(req, EINTR);
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (!reads_.empty()) {
        int length = reads_.front();
        reads_.pop_front();
        lock.unlock();
        answer_read(req, size, length);
        return;
    }
    readers_.push_back({req, size});
    lock.unlock();
    fuse_req_interrupt_func(req, on_interrupt, nullptr);
}

void Kernel::interrupt(fuse_req_t req) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = std::find_if(readers_.begin(), readers_.end(),
                           [req](const PendingRead &reader) { return reader.req == req; });
    if (it == readers_.end())
        return;
    readers_.erase(it);
    lock.unlock();
    fuse_reply_err(req, EINTR);
}

// The files by inode number: the tree's order, the root first (inode 1).
std::vector<const std::pair<const std::string, Node> *> g_inodes;

const std::pair<const std::string, Node> *inode(fuse_ino_t ino) {
    return ino >= 1 && ino <= g_inodes.size() ? g_inodes[ino - 1] : nullptr;
}

fuse_ino_t inode_of(const std::string &path) {
    for (size_t i = 0; i < g_inodes.size(); ++i)
        if (g_inodes[i]->first == path)
            return i + 1;
    return 0;
}

// The tree never changes: the kernel may keep names and attributes as long as it likes.
constexpr double kForever = 86400.0;

struct stat attributes(fuse_ino_t ino, const Node &node) {
    struct stat st {};
    st.st_ino = ino;
    st.st_mode = node.mode | (node.kind == Kind::dir ? S_IFDIR : S_IFREG);
    st.st_nlink = node.kind == Kind::dir ? 2 : 1;
    st.st_size = node.kind == Kind::dir ? 0 : 4096;
    return st;
}

std::string child_path(const std::string &dir, const char *name) {
    return dir == "/" ? "/" + std::string(name) : dir + "/" + name;
}

void sk_lookup(fuse_req_t req, fuse_ino_t parent, const char *name) {
    const auto *dir = inode(parent);
    if (!dir || dir->second.kind != Kind::dir) {
        fuse_reply_err(req, ENOTDIR);
        return;
    }
    fuse_entry_param entry{};
    entry.entry_timeout = kForever; // also for a name that is not there: it never will be
    entry.ino = inode_of(child_path(dir->first, name));
    if (entry.ino != 0) {
        entry.attr_timeout = kForever;
        entry.attr = attributes(entry.ino, inode(entry.ino)->second);
    }
    fuse_reply_entry(req, &entry);
}

void sk_getattr(fuse_req_t req, fuse_ino_t ino, fuse_file_info *) {
    const auto *file = inode(ino);
    if (!file) {
        fuse_reply_err(req, ENOENT);
        return;
    }
    struct stat st = attributes(ino, file->second);
    fuse_reply_attr(req, &st, kForever);
}

// Truncation (an O_TRUNC open by a shell's ">") changes nothing, as on sysfs.
void sk_setattr(fuse_req_t req, fuse_ino_t ino, struct stat *, int to_set, fuse_file_info *fi) {
    if (to_set & ~FUSE_SET_ATTR_SIZE) {
        fuse_reply_err(req, ENOSYS);
        return;
    }
    sk_getattr(req, ino, fi);
}

void add_entry(fuse_req_t req, std::string &buf, const char *name, fuse_ino_t ino,
               const Node &node) {
    struct stat st = attributes(ino, node);
    size_t size = fuse_add_direntry(req, nullptr, 0, name, nullptr, 0);
    size_t at = buf.size();
    buf.resize(at + size);
    fuse_add_direntry(req, &buf[at], size, name, &st, static_cast<off_t>(buf.size()));
}

void sk_readdir(fuse_req_t req, fuse_ino_t ino, size_t size, off_t offset, fuse_file_info *) {
    const auto *dir = inode(ino);
    if (!dir || dir->second.kind != Kind::dir) {
        fuse_reply_err(req, ENOTDIR);
        return;
    }
    std::string buf;
    add_entry(req, buf, ".", ino, dir->second);
    add_entry(req, buf, "..", ino, dir->second);
    std::string prefix = dir->first == "/" ? "/" : dir->first + "/";
    for (size_t i = 0; i < g_inodes.size(); ++i) {
        const std::string &child = g_inodes[i]->first;
        if (child.size() > prefix.size() && child.compare(0, prefix.size(), prefix) == 0 &&
            child.find('/', prefix.size()) == std::string::npos)
            add_entry(req, buf, child.c_str() + prefix.size(), i + 1, g_inodes[i]->second);
    }
    if (static_cast<size_t>(offset) >= buf.size()) {
        fuse_reply_buf(req, nullptr, 0);
        return;
    }
    auto at = static_cast<size_t>(offset);
    fuse_reply_buf(req, buf.data() + at, std::min(size, buf.size() - at));
}

void sk_open(fuse_req_t req, fuse_ino_t ino, fuse_file_info *fi) {
    const auto *file = inode(ino);
    if (!file) {
        fuse_reply_err(req, ENOENT);
        return;
    }
    Kind kind = file->second.kind;
    fi->direct_io = 1;
    fi->nonseekable = kind == Kind::xp2xp_state;
    fi->fh = 0;
    if ((fi->flags & O_ACCMODE) != O_WRONLY && kind != Kind::xp2xp_state && kind != Kind::control)
        fi->fh = reinterpret_cast<uint64_t>(new std::string(snapshot(kind, file->first)));
    if (fuse_reply_open(req, fi) != 0)
        delete reinterpret_cast<std::string *>(fi->fh);
}

void sk_release(fuse_req_t req, fuse_ino_t, fuse_file_info *fi) {
    delete reinterpret_cast<std::string *>(fi->fh);
    fuse_reply_err(req, 0);
}

void sk_read(fuse_req_t req, fuse_ino_t ino, size_t size, off_t offset, fuse_file_info *fi) {
    const auto *file = inode(ino);
    if (!file) {
        fuse_reply_err(req, ENOENT);
        return;
    }
    if (int error = g_kernel.fault(file->first)) {
        fuse_reply_err(req, -error);
        return;
    }
    if (file->second.kind == Kind::xp2xp_state) {
        // A driver's attribute may fail a read now and then; the next one waits as ever.
        if (orvo_sim_strict_chance(kStrictReadFailureChance)) {
            orvo_sim_strict_count(ORVO_STRICT_KERNEL_FAILURE);
            fuse_reply_err(req, EIO);
            return;
        }
        g_kernel.take_read(req, size);
        return;
    }
    auto *text = reinterpret_cast<std::string *>(fi->fh);
    if (!text) {
        fuse_reply_err(req, EBADF);
        return;
    }
    if (offset >= static_cast<off_t>(text->size())) {
        fuse_reply_buf(req, nullptr, 0);
        return;
    }
    size_t n = std::min(size, text->size() - static_cast<size_t>(offset));
    fuse_reply_buf(req, text->data() + offset, n);
}

// A write's result: its byte count or -errno.
int write_file(const std::string &path, Kind kind, const std::string &text) {
    if (kind == Kind::control) {
        int result = g_kernel.control(text);
        return result < 0 ? result : static_cast<int>(text.size());
    }
    if (int error = g_kernel.fault(path))
        return error;
    int result = 0;
    switch (kind) {
    case Kind::wake_lock:
        result = g_kernel.wakelocks.lock(text);
        break;
    case Kind::wake_unlock:
        result = g_kernel.wakelocks.unlock(text);
        break;
    case Kind::register_file:
        g_kernel.record_write(path, text);
        break;
    default:
        return -EACCES;
    }
    return result < 0 ? result : static_cast<int>(text.size());
}

void sk_write(fuse_req_t req, fuse_ino_t ino, const char *buf, size_t size, off_t,
              fuse_file_info *) {
    const auto *file = inode(ino);
    if (!file) {
        fuse_reply_err(req, ENOENT);
        return;
    }
    int result = write_file(file->first, file->second.kind, std::string(buf, size));
    if (result < 0)
        fuse_reply_err(req, -result);
    else
        fuse_reply_write(req, static_cast<size_t>(result));
}

void sk_create(fuse_req_t req, fuse_ino_t, const char *, mode_t, fuse_file_info *) {
    fuse_reply_err(req, EACCES);
}

// How long the server keeps looking for the next request before it sleeps: a write is
// three requests in a row (open, write, release), and a sleeping server pays a wake-up
// for each.
constexpr auto kBusyWindow = std::chrono::microseconds(100);

// fuse_session_loop, except that the device is read without blocking for kBusyWindow after
// each request before the server sleeps in poll.
int serve_requests(fuse_session *session) {
    using Clock = std::chrono::steady_clock;
    int fd = fuse_session_fd(session);
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return fuse_session_loop(session);
    fuse_buf buf{};
    int result = 0;
    auto last = Clock::now();
    while (!fuse_session_exited(session)) {
        result = fuse_session_receive_buf(session, &buf);
        if (result == -EAGAIN) {
            if (Clock::now() - last < kBusyWindow)
                continue;
            pollfd ready{fd, POLLIN, 0};
            poll(&ready, 1, -1); // EINTR: a signal may have ended the session
            continue;
        }
        if (result == -EINTR)
            continue;
        if (result <= 0)
            break; // 0: unmounted
        fuse_session_process_buf(session, &buf);
        last = Clock::now();
    }
    std::free(buf.mem);
    fuse_session_reset(session);
    return result < 0 ? result : 0;
}

// One thread serves every request: a hand-off between the writer and a thread that is
// already waiting costs less than waking one of several. xp2xp_state reads do not hold
// it: they are answered later, from the queue of waiting readers.
int serve(const char *mountpoint, fuse_args *args) {
    fuse_lowlevel_ops ops{};
    ops.lookup = sk_lookup;
    ops.getattr = sk_getattr;
    ops.setattr = sk_setattr;
    ops.readdir = sk_readdir;
    ops.open = sk_open;
    ops.release = sk_release;
    ops.read = sk_read;
    ops.write = sk_write;
    ops.create = sk_create;
    fuse_session *session = fuse_session_new(args, &ops, sizeof ops, nullptr);
    if (!session)
        return 1;
    int result = 1;
    if (fuse_set_signal_handlers(session) == 0) {
        if (fuse_session_mount(session, mountpoint) == 0) {
            result = serve_requests(session) == 0 ? 0 : 1;
            fuse_session_unmount(session);
        }
        fuse_remove_signal_handlers(session);
    }
    fuse_session_destroy(session);
    return result;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s MOUNTPOINT\n", argv[0]);
        return 2;
    }
    for (const auto &file : kTree)
        g_inodes.push_back(&file);
    std::vector<char *> options = {argv[0], const_cast<char *>("-o"),
                                   const_cast<char *>("allow_other,fsname=simkernel")};
    fuse_args args = FUSE_ARGS_INIT(static_cast<int>(options.size()), options.data());
    int result = serve(argv[1], &args);
    fuse_opt_free_args(&args);
    return result;
}
