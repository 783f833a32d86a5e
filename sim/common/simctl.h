/* SPDX-License-Identifier: MIT */
// The sandbox's control directory, shared by the stand-ins, the simulators and the client
// API: the one place that knows where the simulated module keeps its state.
//
// Inside a simulated module, /run/orvo-sim holds:
//   fail/<call>        a scripted failure, "CODE [COUNT]" (simfail.h)
//   settings/<name>    a setting of a stand-in, one number
//   calls              one line per platform call received, "<library> <call> <args>"
//   log                the system log written by liborvo-log
//   services/<name>.*  the supervisor's pid, status and output files of each service
// Outside a sandbox the directory is absent: nothing is recorded and nothing fails.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

namespace sim {

constexpr const char kControlDir[] = "/run/orvo-sim";

bool active();
std::string path(const std::string &relative);

// The scripted failure code of a call, 0 when none is set; uses up one of a counted script.
int fail_code(const char *call);

// Appends "<who> <text>" as one line to the calls record.
void record(const char *who, const char *format, ...) __attribute__((format(printf, 2, 3)));

std::optional<std::string> read_file(const std::string &file);
bool write_file(const std::string &file, const std::string &text);
// Written beside the file and renamed over it, so a reader sees the old or the new text.
bool replace_file(const std::string &file, const std::string &text);
// One write per line with O_APPEND, so lines of concurrent processes never interleave.
bool append_line(const std::string &file, const std::string &line);

// Text on one line: backslash, line feed, tab and other control bytes escaped ("\\", "\n",
// "\t", "\xHH"); unescape reads it back, and "\0" as a NUL byte.
std::string escape(const std::string &text);
std::string unescape(const std::string &text);

// The process of a running simulated service, 0 when it is not running. Outside a sandbox
// every service runs in the calling process: its own pid.
pid_t service_pid(const std::string &name);
inline bool service_running(const std::string &name) {
    return service_pid(name) > 0;
}

} // namespace sim
