// The simulated autosuspend service: listens on the two service paths, takes "enable" and
// "disable" on command channels, and while automatic suspend is on and no kernel wake lock
// is held, "suspends" for a while and then sends a wake-up record to every data channel.
// A control socket lets tests and the tour drive it (see sim/ctl/autosuspend).
#pragma once

#include "command_parser.h"

#include <cstdint>
#include <string>
#include <vector>

namespace simautosuspend {

constexpr const char *kCommandPath = "/tmp/autosuspend.cmd.server";
constexpr const char *kDataPath = "/tmp/autosuspend.data.server";
constexpr const char *kControlPath = "/run/orvo-sim/autosuspend.control";

class Service {
  public:
    Service();
    ~Service();
    Service(const Service &) = delete;
    Service &operator=(const Service &) = delete;

    // Listens and serves until killed; false when it cannot start.
    bool run();

  private:
    struct CommandChannel {
        int fd;
        int id;
        CommandParser parser;
    };
    struct DataChannel {
        int fd;
        int id;
    };

    int command_listener_ = -1;
    int data_listener_ = -1;
    int control_listener_ = -1;
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
    int poll_timeout() const;
    int send_record(int32_t sleep_start, int32_t wakeup, bool in_pieces);
    void note(const std::string &line);
};

} // namespace simautosuspend
