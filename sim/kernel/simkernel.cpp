// The simulated kernel: a FUSE file system mounted over the sandbox's /sys, serving the
// kernel files that the system uses, plus /sys/sim/control and /sys/sim/writes through
// which tests and the tour drive it (see sim/module ctl kernel). With --kernel-wakelocks
// the wake-lock files and wakeup_sources are the real kernel's, from under the mount.
#define FUSE_USE_VERSION 31
#include "passthrough.h"
#include "wakelocks.h"

#include <fuse.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

enum class Kind { Dir, WakeLock, WakeUnlock, WakeupSources, Xp2xpState, Register, Control, Writes };

struct Node {
    Kind kind;
    mode_t mode;
};

const std::map<std::string, Node> kTree = {
    {"/", {Kind::Dir, 0755}},
    {"/power", {Kind::Dir, 0755}},
    {"/power/wake_lock", {Kind::WakeLock, 0644}},
    {"/power/wake_unlock", {Kind::WakeUnlock, 0644}},
    {"/kernel", {Kind::Dir, 0755}},
    {"/kernel/debug", {Kind::Dir, 0700}},
    {"/kernel/debug/wakeup_sources", {Kind::WakeupSources, 0444}},
    {"/kernel/debug/pmu_kv31", {Kind::Dir, 0755}},
    {"/kernel/debug/pmu_kv31/regs", {Kind::Register, 0644}},
    {"/xp2xp", {Kind::Dir, 0755}},
    {"/xp2xp/xp2xp_notify", {Kind::Dir, 0755}},
    {"/xp2xp/xp2xp_notify/xp2xp_state", {Kind::Xp2xpState, 0444}},
    {"/devices", {Kind::Dir, 0755}},
    {"/devices/platform", {Kind::Dir, 0755}},
    {"/devices/platform/soc", {Kind::Dir, 0755}},
    {"/devices/platform/soc/1307000.gmac", {Kind::Dir, 0755}},
    {"/devices/platform/soc/1307000.gmac/gmac_power", {Kind::Register, 0644}},
    {"/sim", {Kind::Dir, 0755}},
    {"/sim/control", {Kind::Control, 0200}},
    {"/sim/writes", {Kind::Writes, 0444}},
};

std::string basename_of(const std::string &path) {
    return path.substr(path.rfind('/') + 1);
}

// Scripted failures by file name: an errno, for a number of operations or for ever.
struct Fault {
    int error;
    int remaining; // -1: for ever
};

class Kernel {
  public:
    WakeLocks wakelocks;

    int fault(const std::string &path) {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = faults_.find(basename_of(path));
        if (it == faults_.end())
            return 0;
        int error = it->second.error;
        if (it->second.remaining > 0 && --it->second.remaining == 0)
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
    std::map<std::string, Fault> faults_;
    std::map<std::string, std::string> registers_;
    std::string writes_;
};

Kernel g_kernel;
KernelFiles g_real;
bool g_real_wakelocks = false;

bool real_file(Kind kind) {
    return g_real_wakelocks &&
           (kind == Kind::WakeLock || kind == Kind::WakeUnlock || kind == Kind::WakeupSources);
}

int Kernel::control(const std::string &commands) {
    std::istringstream lines(commands);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string verb, arg;
        words >> verb >> arg;
        if (verb.empty())
            continue;
        if (verb == "edge" && (arg == "0" || arg == "1")) {
            queue_read(arg == "0" ? 5 : 6);
        } else if (verb == "xp2xp") {
            queue_read(std::stoi(arg));
        } else if (verb == "fail" && !arg.empty()) {
            int error = EIO, count = -1;
            words >> error >> count;
            std::lock_guard<std::mutex> guard(mutex_);
            faults_[arg] = Fault{error, count > 0 ? count : -1};
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
    case Kind::WakeLock:
        return g_kernel.wakelocks.held_list();
    case Kind::WakeUnlock:
        return g_kernel.wakelocks.released_list();
    case Kind::WakeupSources:
        return g_kernel.wakelocks.sources_table();
    case Kind::Register:
        return g_kernel.register_value(path);
    case Kind::Writes:
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
    st->st_mode = node->mode | (node->kind == Kind::Dir ? S_IFDIR : S_IFREG);
    st->st_nlink = node->kind == Kind::Dir ? 2 : 1;
    st->st_size = node->kind == Kind::Dir ? 0 : 4096;
    return 0;
}

int sk_readdir(const char *path, void *buf, fuse_fill_dir_t fill, off_t, fuse_file_info *,
               fuse_readdir_flags) {
    const Node *node = find_node(path);
    if (!node || node->kind != Kind::Dir)
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
    fi->nonseekable = node->kind == Kind::Xp2xpState;
    fi->fh = 0;
    if ((fi->flags & O_ACCMODE) != O_WRONLY && node->kind != Kind::Xp2xpState &&
        node->kind != Kind::Control)
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
    if (node->kind == Kind::Xp2xpState)
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
    if (node->kind == Kind::Control) {
        int result = g_kernel.control(text);
        return result < 0 ? result : static_cast<int>(size);
    }
    if (int error = g_kernel.fault(path))
        return error;
    if (real_file(node->kind))
        return g_real.write(path, text);
    int result = 0;
    switch (node->kind) {
    case Kind::WakeLock:
        result = g_kernel.wakelocks.lock(text);
        break;
    case Kind::WakeUnlock:
        result = g_kernel.wakelocks.unlock(text);
        break;
    case Kind::Register:
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
