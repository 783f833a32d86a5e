/* SPDX-License-Identifier: MIT */
// The simulator's client API: what a test or a ctl topic asks of the simulated module.
// Everything here works inside a simulated module (sim/module run); the shell twin is
// `sim/module ctl ...`, whose topics are thin mains over these calls.
#pragma once

#include "common/unique_fd.h"

#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace sim {

// Whether this process runs inside a simulated module.
bool in_module();
// Whether the module runs on the emulated board (sim/board): its driver serves the kernel
// files and paramlinkd's channel, and takes their controls and the channel's failures.
bool on_board();

// Scripted failures of platform calls: CALL returns CODE, COUNT times or for ever (-1).
bool fail(const std::string &call, int code, int count = -1);
bool unfail(const std::string &call);

// Settings of the stand-ins (for example rpmsg_write_max, the most bytes a channel write
// takes): a number, or none when unset.
bool set(const std::string &name, long value);
bool unset(const std::string &name);

// The platform calls received, "<library> <call> <args>", oldest first; clearing forgets them.
std::vector<std::string> calls();
void clear_calls();

// The system log written through liborvo-log: whole lines, or without date and time
// ("<tag> <level> <text>"), of one tag when given.
std::vector<std::string> log_lines();
std::vector<std::string> log_plain(const std::string &tag = "");
// The format of each message as the logger got it, "<tag> <level> <format>", the format
// escaped (sim::escape) onto one line.
std::vector<std::string> log_formats(const std::string &tag = "");
void clear_log();

// The mode the LED stand-in keeps for "net" or "status", empty when never set.
std::string led_mode(const std::string &led);

// The strict platform (sim/module --strict): its seed, none when the module is not strict,
// and what it has done so far, "KIND COUNT" for every kind of fault.
std::optional<unsigned long long> strict_seed();
std::vector<std::pair<std::string, unsigned long long>> strict_counts();

// Waits MS milliseconds on the alarm clock, which wakes the module from suspend, then
// keeps it awake, as a device's wake-up interrupt does until its handler has run, for as
// long as the returned hold lives. Where the caller may not wake the system, a plain wait
// on boot time. None when the wait could not be set up.
struct WakeHold {
    orvo::UniqueFd timer;
    orvo::UniqueFd poll;
};
std::optional<WakeHold> wait_waking(int ms);

// The simulated kernel.
bool kernel_edge(int level);   // a low-power-mode edge: xp2xp_state reads 5 or 6 bytes
bool kernel_xp2xp(int length); // the next xp2xp_state read returns length bytes
bool kernel_fail(const std::string &file, int error, int count = -1); // by name: gmac_power
bool kernel_unfail(const std::string &file);
std::string kernel_writes();                  // "/sys/<file> <text>" per write of a register file
bool kernel_control(const std::string &line); // one control line, as `ctl kernel LINE`

// A simulated service, declared in sim/services.d/<name>.service: started with the module
// or on demand, stopped with SIGTERM and a wait.
class Service {
  public:
    explicit Service(std::string name) : name_(std::move(name)) {}

    // Starts it unless it runs and waits until it is ready; false when it cannot start
    // (unknown, exited or not ready in time: the reason is in error()).
    bool start(const std::vector<std::string> &args = {});
    bool stop();
    bool restart(const std::vector<std::string> &args = {});
    // "running", "stopped" or "exited STATUS" (128 + N for signal N).
    std::string status() const;
    pid_t pid() const;
    // Sends a signal to the service's process and waits until it has ended.
    bool kill(int signal);

    const std::string &name() const { return name_; }
    const std::string &error() const { return error_; }
    // The files taking its standard output and error.
    std::string output_file() const;
    std::string errors_file() const;

  private:
    std::string name_;
    std::string error_;
};

// The declared services, in name order; those that start with the module.
std::vector<std::string> service_names();
std::vector<std::string> boot_service_names();

// A request to the simulated autosuspend service (send, send-split, close, unlisten, reset,
// timing, state, show, clear): its answer; ok false when it refused or does not run.
struct Reply {
    bool ok;
    std::string text;
};
Reply autosuspend(const std::string &request);

// The simulated SMS service's network side.
struct SmsDelivery {
    std::string sender;
    std::string text;
    int format = 0;
    std::optional<int> length; // the length readers are told; the text's size when absent
    int part_index = 1;
    int part_total = 1;
};
// Stores and announces the message; its index, or -1 with the reason in *why.
int sms_deliver(const SmsDelivery &message, std::string *why = nullptr);
std::string sms_outbox();             // number, format, length, text (escaped), tab-separated
std::vector<std::string> sms_store(); // index, status, format, part, sender, text
std::string sms_smsc();               // "<type> <address>"
void sms_clear();                     // no stored and no sent messages

// The NV bridge's simulators.
// What they recorded: "requests" (the NV service's requests, one line each), "last-request"
// (the last one as the module lays it out), "channel" (what paramlinkd did with its channel),
// "answers" (what the modem core sent and received).
std::string nv_record(const std::string &name);
// Makes the running NV service misbehave ("delay MS", "silent N", ..., "reset").
bool nv_service_command(const std::string &line, std::string *why = nullptr);

} // namespace sim
