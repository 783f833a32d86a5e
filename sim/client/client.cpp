// SPDX-License-Identifier: MIT
// Failures, settings, the calls record, the log and the simulated kernel.
#include "simclient.h"

#include "simctl.h"
#include "simfail.h"
#include "simstrict.h"

#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

namespace {

// The simulated kernel's controls, or on the emulated board its driver's, in debugfs.
constexpr const char kKernelControl[] = "/sys/sim/control";
constexpr const char kKernelWrites[] = "/sys/sim/writes";
constexpr const char kBoardControl[] = "/sys/kernel/debug/orvo_board/control";
constexpr const char kBoardWrites[] = "/sys/kernel/debug/orvo_board/writes";

// paramlinkd's channel calls, and the one channel setting, that the board's driver fails
// and takes; elsewhere the channel's interposer does.
bool channel_call(const std::string &call) {
    static const char *const kCalls[] = {"rpmsg_open", "rpmsg_write", "RPMSG_CREATE_CHANNEL",
                                         "RPMSG_SET_INT_FLAG", "RPMSG_CLEAR_POLL_FLAG"};
    for (const char *name : kCalls) {
        if (call == name)
            return true;
    }
    return false;
}

constexpr const char kChannelWriteMax[] = "rpmsg_write_max";

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string setting_path(const std::string &name) {
    return path("settings/" + name);
}

} // namespace

bool in_module() {
    return active();
}

bool on_board() {
    return access(kKernelControl, F_OK) != 0 && access(kBoardControl, F_OK) == 0;
}

bool fail(const std::string &call, int code, int count) {
    if (code == 0)
        return unfail(call);
    if (channel_call(call) && on_board())
        return kernel_fail(call, code, count);
    return orvo_sim_fail_set(call.c_str(), code, count) == 0;
}

bool unfail(const std::string &call) {
    if (channel_call(call) && on_board())
        return kernel_unfail(call);
    return orvo_sim_fail_clear(call.c_str()) == 0;
}

bool set(const std::string &name, long value) {
    if (name == kChannelWriteMax && on_board())
        return value >= 0 && kernel_control(name + " " + std::to_string(value));
    if (name.empty() || name.find('/') != std::string::npos)
        return false;
    mkdir(path("settings").c_str(), 0755);
    return replace_file(setting_path(name), std::to_string(value) + "\n");
}

bool unset(const std::string &name) {
    if (name == kChannelWriteMax && on_board())
        return kernel_control(name + " 0");
    return !name.empty() && name.find('/') == std::string::npos &&
           (unlink(setting_path(name).c_str()) == 0 || errno == ENOENT);
}

std::vector<std::string> calls() {
    return lines_of(read_file(path("calls")).value_or(""));
}

void clear_calls() {
    write_file(path("calls"), "");
}

std::vector<std::string> log_lines() {
    return lines_of(read_file(path("log")).value_or(""));
}

std::vector<std::string> log_plain(const std::string &tag) {
    std::vector<std::string> result;
    for (const std::string &line : log_lines()) {
        auto first = line.find(' ');
        auto second = first == std::string::npos ? first : line.find(' ', first + 1);
        if (second == std::string::npos)
            continue;
        std::string plain = line.substr(second + 1);
        if (tag.empty() || plain.compare(0, tag.size() + 1, tag + " ") == 0)
            result.push_back(plain);
    }
    return result;
}

std::vector<std::string> log_formats(const std::string &tag) {
    std::vector<std::string> result;
    for (const std::string &line : lines_of(read_file(path("log-formats")).value_or("")))
        if (tag.empty() || line.compare(0, tag.size() + 1, tag + " ") == 0)
            result.push_back(line);
    return result;
}

void clear_log() {
    write_file(path("log"), "");
    write_file(path("log-formats"), "");
}

std::string led_mode(const std::string &led) {
    std::string text = read_file(path("led." + led)).value_or("");
    return text.substr(0, text.find('\n'));
}

bool kernel_control(const std::string &line) {
    return write_file(on_board() ? kBoardControl : kKernelControl, line + "\n");
}

bool kernel_edge(int level) {
    return kernel_control("edge " + std::to_string(level ? 1 : 0));
}

bool kernel_xp2xp(int length) {
    return kernel_control("xp2xp " + std::to_string(length));
}

bool kernel_fail(const std::string &file, int error, int count) {
    std::string line = "fail " + file + " " + std::to_string(error);
    if (count > 0)
        line += " " + std::to_string(count);
    return kernel_control(line);
}

bool kernel_unfail(const std::string &file) {
    return kernel_control("unfail " + file);
}

std::string kernel_writes() {
    return read_file(on_board() ? kBoardWrites : kKernelWrites).value_or("");
}

std::optional<unsigned long long> strict_seed() {
    if (!orvo_sim_strict())
        return std::nullopt;
    return orvo_sim_strict_seed();
}

std::vector<std::pair<std::string, unsigned long long>> strict_counts() {
    std::vector<std::pair<std::string, unsigned long long>> counts;
    for (int kind = 0; kind < ORVO_STRICT_KINDS; kind++) {
        auto k = static_cast<orvo_sim_strict_kind>(kind);
        counts.emplace_back(orvo_sim_strict_kind_name(k), orvo_sim_strict_counted(k));
    }
    return counts;
}

} // namespace sim
