// Shared by the stand-ins and simulators: the sandbox's control directory.
//
// Inside a simulated module, /run/orvo-sim holds the control files:
//   fail/<call>   a call's scripted result (decimal); absent means success
//   calls         one line per platform call received, "<library> <call> <args>"
//   log           the system log written by liborvo-log
// Outside a sandbox the directory is absent: nothing is recorded and nothing fails.
#pragma once

#include <optional>
#include <string>

namespace sim {

constexpr const char *kControlDir = "/run/orvo-sim";

bool active();
std::string path(const std::string &relative);

// The scripted failure code of a call, 0 when none is set.
int fail_code(const char *call);

// Appends "<who> <text>" as one line to the calls record.
void record(const char *who, const char *format, ...) __attribute__((format(printf, 2, 3)));

std::optional<std::string> read_file(const std::string &file);
bool write_file(const std::string &file, const std::string &text);
bool append_line(const std::string &file, const std::string &line);

} // namespace sim
