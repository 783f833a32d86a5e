// SPDX-License-Identifier: MIT
#include "simctl.h"

#include "common/io.h"
#include "common/unique_fd.h"
#include "simfail.h"
#include "simstrict.h"

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr unsigned kStrictPauseChance = 200; // per thousand calls
constexpr unsigned kStrictPauseMaxUs = 1000;

bool write_whole(const orvo::UniqueFd &fd, const std::string &text) {
    return fd &&
           orvo::write_all(fd.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

} // namespace

bool active() {
    struct stat st {};
    return stat(kControlDir, &st) == 0 && S_ISDIR(st.st_mode);
}

std::string path(const std::string &relative) {
    return std::string(kControlDir) + "/" + relative;
}

int fail_code(const char *call) {
    // Every stand-in call asks this first: on a strict platform, the scheduler's freedom.
    orvo_sim_strict_pause(kStrictPauseChance, kStrictPauseMaxUs);
    return orvo_sim_fail(call);
}

void record(const char *who, const char *format, ...) {
    if (!active())
        return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    append_line(path("calls"), std::string(who) + " " + text);
}

std::optional<std::string> read_file(const std::string &file) {
    orvo::UniqueFd fd = orvo::open_fd(file.c_str(), O_RDONLY);
    if (!fd)
        return std::nullopt;
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = orvo::read_all(fd.get(), buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    return text;
}

bool write_file(const std::string &file, const std::string &text) {
    return write_whole(orvo::open_fd(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), text);
}

bool replace_file(const std::string &file, const std::string &text) {
    std::string temporary = file + ".new-" + std::to_string(getpid());
    if (!write_file(temporary, text) || rename(temporary.c_str(), file.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool append_line(const std::string &file, const std::string &line) {
    return write_whole(orvo::open_fd(file.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644),
                       line + "\n");
}

std::string escape(const std::string &text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

std::string unescape(const std::string &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += c == 't' ? '\t' : c == 'n' ? '\n' : c == '0' ? '\0' : c;
        }
    }
    return out;
}

pid_t service_pid(const std::string &name) {
    if (!active())
        return getpid();
    auto text = read_file(path("services/" + name + ".pid"));
    pid_t pid = text ? static_cast<pid_t>(std::atoi(text->c_str())) : 0;
    return pid > 0 && kill(pid, 0) == 0 ? pid : 0;
}

} // namespace sim
