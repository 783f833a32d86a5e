/* SPDX-License-Identifier: MIT */
// The simulated autosuspend service: listens on the two service paths, takes "enable" and
// "disable" on command channels, and while automatic suspend is on and no kernel wake lock
// is held, "suspends" for a while and then sends a wake-up record to every data channel.
// A control socket lets tests and the tour drive it (sim/module ctl autosuspend). SIGTERM
// ends it as a real service ends: channels closed, socket files removed. Where the kernel
// itself can sleep (the emulated board), enabled, it puts the kernel to sleep instead
// (kernel_suspend.h) and sends a record after each real sleep.
#pragma once

#include "command_parser.h"
#include "kernel_suspend.h"

#include "common/unique_fd.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim::autosuspend {

constexpr const char *kCommandPath = "/tmp/autosuspend.cmd.server";
constexpr const char *kDataPath = "/tmp/autosuspend.data.server";

class Service {
  public:
    Service();
    ~Service();
    Service(const Service &) = delete;
    Service &operator=(const Service &) = delete;

    // Listens and serves until SIGTERM or SIGINT; false when it cannot start.
    bool run();

  private:
    struct CommandChannel {
        orvo::UniqueFd fd;
        int id;
        CommandParser parser;
    };
    struct DataChannel {
        orvo::UniqueFd fd;
        int id;
    };

    orvo::UniqueFd command_listener_;
    orvo::UniqueFd data_listener_;
    orvo::UniqueFd control_listener_;
    orvo::UniqueFd termination_; // signalfd of SIGTERM and SIGINT
    std::vector<CommandChannel> commands_;
    std::vector<DataChannel> data_;
    std::vector<std::string> journal_;
    int next_id_ = 1;
    bool enabled_ = false;
    bool asleep_ = false;
    int32_t sleep_start_ = 0;
    int64_t wake_at_ = 0;
    int64_t awake_since_ = 0;
    int sleep_ms_ = 300;
    int awake_ms_ = 200;
    std::unique_ptr<KernelSuspend> kernel_; // on a kernel that can sleep

    bool listen_on_service_paths();
    void stop_listening();
    void close_channels();
    void accept_command_channel();
    void accept_data_channel();
    void read_command_channel(std::size_t index);
    void read_data_channel(std::size_t index);
    void serve_control();
    std::string control(const std::vector<std::string> &words);
    void advance_suspend_cycle();
    void send_kernel_sleeps();
    void set_enabled(bool enabled);
    std::string cycles() const;
    int poll_timeout() const;
    int send_record(int32_t sleep_start, int32_t wakeup, bool in_pieces);
    void note(const std::string &line);
};

} // namespace sim::autosuspend
