// The simulated kernel: a FUSE file system mounted over the sandbox's /sys, serving the
// kernel files that the system uses, plus /sys/sim/control and /sys/sim/writes through
// which tests and the tour drive it (see sim/module ctl kernel). With --kernel-wakelocks
// the wake-lock files and wakeup_sources are the real kernel's, from under the mount.
#define FUSE_USE_VERSION 31
#include "passthrough.h"
#include "simfail.h"
#include "wakelocks.h"

#include <fuse.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using sim::kernel::KernelFiles;
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

    // The next read of xp2xp_state returns this many bytes (negative: that errno).
    void queue_read(int length) {
        std::lock_guard<std::mutex> guard(mutex_);
        reads_.push_back(length);
        read_ready_.notify_all();
    }

    // Blocks until a read is queued or the caller is interrupted.
    int take_read() {
        std::unique_lock<std::mutex> lock(mutex_);
        // Checked again after each wake-up, so a reader being cancelled never takes an edge.
        for (;;) {
            if (fuse_interrupted())
                return -EINTR;
            if (!reads_.empty())
                break;
            read_ready_.wait_for(lock, std::chrono::milliseconds(20));
        }
        int length = reads_.front();
        reads_.pop_front();
        return length;
    }

    int control(const std::string &commands);

  private:
    std::mutex mutex_;
    std::condition_variable read_ready_;
    std::deque<int> reads_;
    std::map<std::string, orvo_sim_script> faults_; // by file name, "fail FILE ERRNO [COUNT]"
    std::map<std::string, std::string> registers_;
    std::string writes_;
};

Kernel g_kernel;
KernelFiles g_real;
bool g_real_wakelocks = false;

bool real_file(Kind kind) {
    return g_real_wakelocks &&
           (kind == Kind::wake_lock || kind == Kind::wake_unlock || kind == Kind::wakeup_sources);
}

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
        if (verb == "edge" && (arg == "0" || arg == "1")) {
            queue_read(arg == "0" ? 5 : 6);
        } else if (verb == "xp2xp" && read_length(arg, &length)) {
            queue_read(length);
        } else if (verb == "fail" && !arg.empty() &&
                   orvo_sim_script_parse(rest.c_str(), &script) == 0 && script.code > 0) {
            std::lock_guard<std::mutex> guard(mutex_);
            faults_[arg] = script;
        } else if (verb == "unfail" && !arg.empty()) {
            std::lock_guard<std::mutex> guard(mutex_);
            faults_.erase(arg);
        } else {
            return -EINVAL;
        }
    }
    return 0;
}

const Node *find_node(const char *path) {
    auto it = kTree.find(path);
    return it == kTree.end() ? nullptr : &it->second;
}

std::string snapshot(Kind kind, const std::string &path) {
    if (real_file(kind))
        return g_real.read(path);
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

int sk_getattr(const char *path, struct stat *st, fuse_file_info *) {
    const Node *node = find_node(path);
    if (!node)
        return -ENOENT;
    memset(st, 0, sizeof *st);
    st->st_mode = node->mode | (node->kind == Kind::dir ? S_IFDIR : S_IFREG);
    st->st_nlink = node->kind == Kind::dir ? 2 : 1;
    st->st_size = node->kind == Kind::dir ? 0 : 4096;
    return 0;
}

int sk_readdir(const char *path, void *buf, fuse_fill_dir_t fill, off_t, fuse_file_info *,
               fuse_readdir_flags) {
    const Node *node = find_node(path);
    if (!node || node->kind != Kind::dir)
        return -ENOTDIR;
    fill(buf, ".", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    fill(buf, "..", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    std::string prefix = std::string(path) == "/" ? "/" : std::string(path) + "/";
    for (const auto &[child, info] : kTree) {
        if (child.size() > prefix.size() && child.compare(0, prefix.size(), prefix) == 0 &&
            child.find('/', prefix.size()) == std::string::npos)
            fill(buf, child.c_str() + prefix.size(), nullptr, 0,
                 static_cast<fuse_fill_dir_flags>(0));
    }
    return 0;
}

int sk_open(const char *path, fuse_file_info *fi) {
    const Node *node = find_node(path);
    if (!node)
        return -ENOENT;
    fi->direct_io = 1;
    fi->nonseekable = node->kind == Kind::xp2xp_state;
    fi->fh = 0;
    if ((fi->flags & O_ACCMODE) != O_WRONLY && node->kind != Kind::xp2xp_state &&
        node->kind != Kind::control)
        fi->fh = reinterpret_cast<uint64_t>(new std::string(snapshot(node->kind, path)));
    return 0;
}

int sk_release(const char *, fuse_file_info *fi) {
    delete reinterpret_cast<std::string *>(fi->fh);
    return 0;
}

int read_xp2xp(char *buf, size_t size) {
    int length = g_kernel.take_read();
    if (length < 0)
        return length;
    size_t n = static_cast<size_t>(length) < size ? static_cast<size_t>(length) : size;
    char fill = length == 5 ? '0' : length == 6 ? '1' : 'x';
    for (size_t i = 0; i < n; ++i)
        buf[i] = i + 1 == n ? '\n' : fill;
    return static_cast<int>(n);
}

int sk_read(const char *path, char *buf, size_t size, off_t offset, fuse_file_info *fi) {
    const Node *node = find_node(path);
    if (!node)
        return -ENOENT;
    if (int error = g_kernel.fault(path))
        return error;
    if (node->kind == Kind::xp2xp_state)
        return read_xp2xp(buf, size);
    auto *text = reinterpret_cast<std::string *>(fi->fh);
    if (!text)
        return -EBADF;
    if (offset >= static_cast<off_t>(text->size()))
        return 0;
    size_t n = std::min(size, text->size() - static_cast<size_t>(offset));
    memcpy(buf, text->data() + offset, n);
    return static_cast<int>(n);
}

int sk_write(const char *path, const char *buf, size_t size, off_t, fuse_file_info *) {
    const Node *node = find_node(path);
    if (!node)
        return -ENOENT;
    std::string text(buf, size);
    if (node->kind == Kind::control) {
        int result = g_kernel.control(text);
        return result < 0 ? result : static_cast<int>(size);
    }
    if (int error = g_kernel.fault(path))
        return error;
    if (real_file(node->kind))
        return g_real.write(path, text);
    int result = 0;
    switch (node->kind) {
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
    return result < 0 ? result : static_cast<int>(size);
}

int sk_truncate(const char *path, off_t, fuse_file_info *) {
    return find_node(path) ? 0 : -ENOENT;
}

int sk_create(const char *, mode_t, fuse_file_info *) {
    return -EACCES;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 3 && std::string(argv[1]) == "--kernel-wakelocks") {
        g_real_wakelocks = true;
        ++argv;
        --argc;
    }
    if (argc != 2) {
        fprintf(stderr, "usage: %s [--kernel-wakelocks] MOUNTPOINT\n", argv[0]);
        return 2;
    }
    if (g_real_wakelocks && !g_real.open_root(argv[1])) {
        perror(argv[1]);
        return 1;
    }
    fuse_operations ops{};
    ops.getattr = sk_getattr;
    ops.readdir = sk_readdir;
    ops.open = sk_open;
    ops.release = sk_release;
    ops.read = sk_read;
    ops.write = sk_write;
    ops.truncate = sk_truncate;
    ops.create = sk_create;
    std::vector<char *> args = {argv[0], const_cast<char *>("-f"), const_cast<char *>("-o"),
                                const_cast<char *>("allow_other,fsname=simkernel"), argv[1]};
    return fuse_main(static_cast<int>(args.size()), args.data(), &ops, nullptr);
}
