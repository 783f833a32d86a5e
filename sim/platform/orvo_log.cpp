// SPDX-License-Identifier: MIT
// liborvo-log stand-in: one logger per tag; each message becomes one line
// "<date> <time> <tag> <level> <text>" in the sandbox's system log, and each format as
// received in "log-formats" beside the log. Outside a sandbox "<tag> <level> <text>" goes to
// the system log where there is one (syslogd's /dev/log, as on the board), else to standard
// error (with the time). Never on standard output, so console transcripts stay clean.
#include "orvo_log.h"
#include "common/export.h"
#include "simctl.h"

#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <syslog.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr size_t kSlots = 256;
constexpr size_t kTagSize = 48;

// A logger is a plain function pointer, so each tag gets a function of its own.
std::array<char[kTagSize], kSlots> g_tags;
std::atomic<size_t> g_used{0};
std::mutex g_mutex;

std::string timestamp() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    tm local{};
    localtime_r(&tv.tv_sec, &local);
    char text[40];
    size_t n = strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    snprintf(text + n, sizeof text - n, ".%03ld", static_cast<long>(tv.tv_usec / 1000));
    return text;
}

// One message is one line: a trailing line feed is dropped, inner ones are escaped.
std::string one_line(const char *text) {
    std::string line;
    size_t len = strlen(text);
    if (len > 0 && text[len - 1] == '\n')
        --len;
    for (size_t i = 0; i < len; ++i) {
        if (text[i] == '\n')
            line += "\\n";
        else
            line += text[i];
    }
    return line;
}

// Looked at for each message: the system log may start after the program.
bool system_log_there() {
    struct stat st {};
    return stat("/dev/log", &st) == 0 && S_ISSOCK(st.st_mode);
}

void emit(const char *tag, int level, const char *format, va_list args) {
    char text[2048];
    vsnprintf(text, sizeof text, format, args);
    std::string message = std::string(tag) + " " + std::to_string(level) + " " + one_line(text);
    // The sandbox makes its log as it starts; a control folder without one (the board's
    // platform services) is no sandbox.
    bool in_sandbox = sim::active() && access(sim::path("log").c_str(), F_OK) == 0;
    if (!in_sandbox && system_log_there()) {
        syslog(LOG_USER | LOG_INFO, "%s", message.c_str());
        return;
    }
    std::string line = timestamp() + " " + message;
    if (in_sandbox && sim::append_line(sim::path("log"), line)) {
        // Beside the line, the format as the logger got it: a logger may key on formats.
        sim::append_line(sim::path("log-formats"), std::string(tag) + " " + std::to_string(level) +
                                                       " " + sim::escape(format));
        return;
    }
    line += "\n";
    ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
    (void)ignored;
}

template <size_t Slot> void slot_logger(int level, const char *format, ...) {
    va_list args;
    va_start(args, format);
    emit(g_tags[Slot], level, format, args);
    va_end(args);
}

template <size_t... Slots>
constexpr std::array<orvo_log_function_t, kSlots> make_loggers(std::index_sequence<Slots...>) {
    return {&slot_logger<Slots>...};
}

constexpr auto g_loggers = make_loggers(std::make_index_sequence<kSlots>{});

} // namespace

extern "C" ORVO_EXPORT orvo_log_function_t orvo_log_function_init(const char *tag) {
    if (tag == nullptr)
        tag = "(null)";
    std::lock_guard<std::mutex> lock(g_mutex);
    size_t used = g_used.load();
    for (size_t i = 0; i < used; ++i) {
        if (strncmp(g_tags[i], tag, kTagSize - 1) == 0)
            return g_loggers[i];
    }
    // Out of slots: the last one is shared by every further tag.
    if (used == kSlots - 1) {
        snprintf(g_tags[used], kTagSize, "%s", "(other)");
        return g_loggers[used];
    }
    snprintf(g_tags[used], kTagSize, "%s", tag);
    g_used.store(used + 1);
    return g_loggers[used];
}
