// SPDX-License-Identifier: MIT
// The strict platform (run with sim/module --strict=42): its choices follow the seed, and its
// kernel-call layer gives the module's code short reads and interrupted waits, while calls of
// other code pass untouched. The test makes itself module code by naming its program in the
// control file and running itself again.
#include "simclient.h"
#include "simstrict.h"
#include "tests/support/kit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/msg.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr unsigned long long kSeed = 42;
constexpr const char kModeVariable[] = "STRICT_TEST_MODE";
constexpr size_t kStreamBytes = 256 * 1024;
constexpr size_t kChunk = 4096;
constexpr int kMessages = 400;

void on_signal(int) {}

// Writes the whole buffer as the module's code must: again after EINTR and short writes.
void write_whole(int fd, const unsigned char *bytes, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            _exit(3);
        bytes += n;
        size -= static_cast<size_t>(n);
    }
}

struct StreamResult {
    int short_reads = 0;
    int interrupted = 0;
    bool intact = true;
};

// A stream of kStreamBytes through a socket pair, read in chunks.
StreamResult stream_through_socket() {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        _exit(4);
    std::thread writer([&] {
        unsigned char chunk[kChunk];
        for (size_t sent = 0; sent < kStreamBytes; sent += kChunk) {
            for (size_t i = 0; i < kChunk; i++)
                chunk[i] = static_cast<unsigned char>((sent + i) % 251);
            write_whole(pair[1], chunk, kChunk);
        }
    });
    StreamResult result;
    unsigned char chunk[kChunk];
    size_t got = 0;
    while (got < kStreamBytes) {
        size_t want = kStreamBytes - got < kChunk ? kStreamBytes - got : kChunk;
        ssize_t n = read(pair[0], chunk, want);
        if (n < 0 && errno == EINTR) {
            result.interrupted++;
            continue;
        }
        if (n <= 0) {
            result.intact = false;
            break;
        }
        if (static_cast<size_t>(n) < want)
            result.short_reads++;
        for (ssize_t i = 0; i < n; i++)
            result.intact &= chunk[i] == (got + static_cast<size_t>(i)) % 251;
        got += static_cast<size_t>(n);
    }
    writer.join();
    close(pair[0]);
    close(pair[1]);
    return result;
}

struct Numbered {
    long mtype;
    int number;
};

// kMessages numbered messages through a private queue, received by blocking waits: the
// interrupted waits, and whether every message came once and in order.
std::pair<int, bool> messages_through_queue() {
    int queue = msgget(IPC_PRIVATE, IPC_CREAT | 0600);
    if (queue < 0)
        _exit(5);
    std::thread sender([queue] {
        for (int n = 0; n < kMessages; n++) {
            Numbered message{1, n};
            while (msgsnd(queue, &message, sizeof message.number, 0) != 0 && errno == EINTR) {
            }
            usleep(200);
        }
    });
    int interrupted = 0;
    bool in_order = true;
    for (int n = 0; n < kMessages; n++) {
        Numbered message{};
        ssize_t got;
        while ((got = msgrcv(queue, &message, sizeof message.number, 0, 0)) < 0 && errno == EINTR)
            interrupted++;
        in_order &= got == sizeof message.number && message.number == n;
    }
    sender.join();
    msgctl(queue, IPC_RMID, nullptr);
    return {interrupted, in_order};
}

// The child modes: "draws" prints the first choices of a fresh program; "io" runs both
// exchanges as module code and prints what it saw.
int run_mode(const std::string &mode) {
    if (mode == "draws") {
        for (int i = 0; i < 32; i++)
            std::printf("%u ", orvo_sim_strict_draw(1000000));
        std::printf("\n");
        return 0;
    }
    struct sigaction action {};
    action.sa_handler = on_signal; // no SA_RESTART: a waiting read may end with EINTR
    sigaction(SIGUSR1, &action, nullptr);
    StreamResult stream = stream_through_socket();
    auto [queue_interrupted, in_order] = messages_through_queue();
    std::printf("short_reads=%d read_eintr=%d msgrcv_eintr=%d intact=%d in_order=%d\n",
                stream.short_reads, stream.interrupted, queue_interrupted, stream.intact, in_order);
    return 0;
}

[[maybe_unused]] const int kChildMode = [] {
    if (const char *mode = std::getenv(kModeVariable))
        std::exit(run_mode(mode));
    return 0;
}();

std::string program() {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    return n > 0 ? std::string(exe, static_cast<size_t>(n)) : "";
}

// This program run again in MODE: its standard output.
std::string run_again(const std::string &mode) {
    return testkit::run({"env", std::string(kModeVariable) + "=" + mode, program()}).text;
}

std::string control_file() {
    return testkit::read_file(ORVO_SIM_STRICT_FILE);
}

void write_control_file(const std::string &text) {
    testkit::write_file(ORVO_SIM_STRICT_FILE, text);
}

// The io pass run again with `line` added to the control file for it.
std::string run_io_again_as(const std::string &line) {
    std::string saved = control_file();
    write_control_file(saved + line + "\n");
    std::string seen = run_again("io");
    write_control_file(saved);
    return seen;
}

unsigned long long counted(const std::string &kind) {
    for (const auto &[name, count] : sim::strict_counts()) {
        if (name == kind)
            return count;
    }
    return 0;
}

int field(const std::string &line, const std::string &name) {
    size_t at = line.find(name + "=");
    return at == std::string::npos ? -1 : std::atoi(line.c_str() + at + name.size() + 1);
}

TEST(StrictPlatform, ChoicesFollowTheSeed) {
    ASSERT_EQ(sim::strict_seed(), kSeed);
    std::string first = run_again("draws");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(run_again("draws"), first) << "a fresh program with the same seed chose otherwise";

    std::string saved = control_file();
    std::string other = saved;
    other.replace(0, other.find('\n'), "seed " + std::to_string(kSeed + 1));
    write_control_file(other);
    std::string with_other_seed = run_again("draws");
    write_control_file(saved);
    EXPECT_NE(with_other_seed, first);
}

TEST(StrictPlatform, OnlyTheModulesCallsAreInterfered) {
    // This process is not module code: its exchanges pass untouched.
    unsigned long long shorts = counted("short_read"), eintrs = counted("eintr");
    StreamResult plain = stream_through_socket();
    EXPECT_TRUE(plain.intact);
    EXPECT_EQ(plain.interrupted, 0);
    EXPECT_EQ(counted("short_read"), shorts);
    EXPECT_EQ(counted("eintr"), eintrs);

    // Named in the control file as a library of the module would be (its caller's signals
    // unknown), the same program run again is.
    std::string seen = run_io_again_as("object " + program().substr(program().rfind('/') + 1));
    EXPECT_EQ(field(seen, "intact"), 1) << seen;
    EXPECT_EQ(field(seen, "in_order"), 1) << seen;
    EXPECT_GT(field(seen, "short_reads"), 0) << seen;
    EXPECT_GT(field(seen, "msgrcv_eintr"), 0) << seen;
    EXPECT_GT(counted("short_read"), shorts);
    EXPECT_GT(counted("eintr"), eintrs);
}

TEST(StrictPlatform, TheModulesProgramsGetNoMadeUpInterruptions) {
    // A program of the module knows every signal it handles: its waits end with EINTR only
    // when one of them really arrives. Its reads still come short.
    std::string seen = run_io_again_as("program " + program());
    EXPECT_EQ(field(seen, "intact"), 1) << seen;
    EXPECT_GT(field(seen, "short_reads"), 0) << seen;
    EXPECT_EQ(field(seen, "read_eintr"), 0) << seen;
    EXPECT_EQ(field(seen, "msgrcv_eintr"), 0) << seen;
}

} // namespace
