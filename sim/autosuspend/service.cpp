// SPDX-License-Identifier: MIT
#include "service.h"
#include "daemon.h"
#include "simctl.h"
#include "simstrict.h"
#include "sockets.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim::autosuspend {
namespace {

// How often an idle service with automatic suspend on looks at the kernel's wake locks.
constexpr int kWakeLockPollMs = 50;
// Between the two halves of a record sent in pieces, so the client reads them apart.
constexpr useconds_t kPiecePause = 100000;
// On a strict platform: records cut at a random byte, per thousand, and the most time
// between their pieces.
constexpr unsigned kStrictSplitChance = 300;
constexpr unsigned kStrictPiecePauseMaxUs = 5000;

struct Record {
    int32_t sleep_start;
    int32_t wakeup;
};
static_assert(sizeof(Record) == 8, "wake-up records are 8 bytes");

std::vector<std::string> split_words(const std::string &line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

std::string control_path() {
    return sim::path("autosuspend.control");
}

} // namespace

Service::Service() = default;

Service::~Service() {
    close_channels();
    stop_listening();
    control_listener_.reset();
    termination_.reset();
    unlink(control_path().c_str());
}

bool Service::listen_on_service_paths() {
    command_listener_ = listen_at(kCommandPath);
    data_listener_ = listen_at(kDataPath);
    return command_listener_ && data_listener_;
}

void Service::stop_listening() {
    if (command_listener_)
        unlink(kCommandPath);
    if (data_listener_)
        unlink(kDataPath);
    command_listener_.reset();
    data_listener_.reset();
}

void Service::close_channels() {
    for (auto &channel : commands_) {
        note("cmd " + std::to_string(channel.id) + " closed");
        channel.fd.reset();
    }
    for (auto &channel : data_) {
        note("data " + std::to_string(channel.id) + " closed");
        channel.fd.reset();
    }
    commands_.clear();
    data_.clear();
}

void Service::note(const std::string &line) {
    journal_.push_back(line);
}

void Service::accept_command_channel() {
    orvo::UniqueFd fd(accept4(command_listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!fd)
        return;
    commands_.push_back({std::move(fd), next_id_++, {}});
    note("cmd " + std::to_string(commands_.back().id) + " connected");
}

void Service::accept_data_channel() {
    orvo::UniqueFd fd(accept4(data_listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!fd)
        return;
    data_.push_back({std::move(fd), next_id_++});
    note("data " + std::to_string(data_.back().id) + " connected");
}

void Service::read_command_channel(std::size_t index) {
    CommandChannel &channel = commands_[index];
    char bytes[256];
    ssize_t n = read(channel.fd.get(), bytes, sizeof bytes);
    if (n < 0 && errno == EINTR)
        return;
    std::string who = "cmd " + std::to_string(channel.id) + " ";
    if (n <= 0) {
        std::string rest = channel.parser.rest();
        if (!rest.empty())
            note(who + rest);
        note(who + "closed");
        channel.fd.reset();
        commands_.erase(commands_.begin() + static_cast<long>(index));
        return;
    }
    for (const std::string &item : channel.parser.feed(bytes, static_cast<std::size_t>(n))) {
        note(who + item);
        if (item == "enable")
            set_enabled(true);
        else if (item == "disable")
            set_enabled(false);
    }
}

// Clients never write on the data channel; a readable one has been closed.
void Service::read_data_channel(std::size_t index) {
    DataChannel &channel = data_[index];
    char bytes[64];
    ssize_t n = read(channel.fd.get(), bytes, sizeof bytes);
    if (n > 0 || (n < 0 && errno == EINTR))
        return;
    note("data " + std::to_string(channel.id) + " closed");
    channel.fd.reset();
    data_.erase(data_.begin() + static_cast<long>(index));
}

// Where a record is cut in two: at the middle when asked to, on a strict platform now and
// then at any byte; 0 when it goes whole.
static std::size_t cut_point(bool in_pieces) {
    if (in_pieces)
        return sizeof(Record) / 2;
    if (!orvo_sim_strict_chance(kStrictSplitChance))
        return 0;
    orvo_sim_strict_count(ORVO_STRICT_SPLIT_RECORD);
    return 1 + orvo_sim_strict_draw(sizeof(Record) - 1);
}

int Service::send_record(int32_t sleep_start, int32_t wakeup, bool in_pieces) {
    Record record{sleep_start, wakeup};
    const char *bytes = reinterpret_cast<const char *>(&record);
    std::vector<int> failed;
    std::size_t cut = cut_point(in_pieces);
    const std::size_t pieces[][2] = {{0, cut ? cut : sizeof record}, {cut, sizeof record}};
    for (std::size_t piece = 0; piece < (cut ? 2u : 1u); ++piece) {
        std::size_t offset = pieces[piece][0];
        std::size_t size = pieces[piece][1] - offset;
        for (const auto &channel : data_) {
            if (!send_all(channel.fd.get(), bytes + offset, size))
                failed.push_back(channel.fd.get());
        }
        if (cut && piece == 0)
            usleep(in_pieces ? kPiecePause : 1 + orvo_sim_strict_draw(kStrictPiecePauseMaxUs));
    }
    for (std::size_t i = data_.size(); i-- > 0;) {
        if (std::find(failed.begin(), failed.end(), data_[i].fd.get()) != failed.end()) {
            note("data " + std::to_string(data_[i].id) + " closed");
            data_[i].fd.reset();
            data_.erase(data_.begin() + static_cast<long>(i));
        }
    }
    return static_cast<int>(data_.size());
}

void Service::set_enabled(bool enabled) {
    enabled_ = enabled;
    if (kernel_)
        kernel_->set_enabled(enabled);
}

// After each real sleep, a record to every client, noted as the simulated cycle notes it.
void Service::send_kernel_sleeps() {
    for (const Sleep &sleep : kernel_->take_sleeps()) {
        int sent = send_record(sleep.sleep_start, sleep.wakeup, false);
        std::string times = std::to_string(sleep.sleep_start) + " " + std::to_string(sleep.wakeup);
        note("suspend " + times + " to " + std::to_string(sent));
        note("cause " + times + " woken_by " + sleep.woken_by + " held_by " + sleep.held_by);
    }
}

// The kernel's counts of its suspends, from debugfs.
static std::string suspend_stats() {
    std::string stats;
    std::ifstream in("/sys/kernel/debug/suspend_stats");
    for (std::string key, value; in >> key >> value && stats.size() < 200;) {
        if (key == "success:" || key == "fail:" || key == "failed_freeze:")
            stats += " " + key.substr(0, key.size() - 1) + " " + value;
    }
    return stats;
}

std::string Service::cycles() const {
    if (!kernel_)
        return "simulated: sleep " + std::to_string(sleep_ms_) + " ms, awake " +
               std::to_string(awake_ms_) + " ms\n";
    return "kernel: " + kernel_->counts() + "; suspend_stats" + suspend_stats() + "\n";
}

void Service::advance_suspend_cycle() {
    if (kernel_)
        return;
    int64_t now = now_ms();
    if (asleep_) {
        if (now < wake_at_)
            return;
        asleep_ = false;
        awake_since_ = now;
        auto wakeup = static_cast<int32_t>(now);
        int sent = send_record(sleep_start_, wakeup, false);
        note("suspend " + std::to_string(sleep_start_) + " " + std::to_string(wakeup) + " to " +
             std::to_string(sent));
        return;
    }
    if (enabled_ && now - awake_since_ >= awake_ms_ && !wake_lock_held()) {
        asleep_ = true;
        sleep_start_ = static_cast<int32_t>(now);
        wake_at_ = now + sleep_ms_;
    }
}

int Service::poll_timeout() const {
    if (kernel_)
        return -1;
    if (asleep_)
        return static_cast<int>(std::max<int64_t>(0, wake_at_ - now_ms()));
    if (!enabled_)
        return -1;
    int64_t until_awake = awake_since_ + awake_ms_ - now_ms();
    return static_cast<int>(std::max<int64_t>(until_awake, kWakeLockPollMs));
}

void Service::serve_control() {
    orvo::UniqueFd fd(accept4(control_listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!fd)
        return;
    std::string request;
    char bytes[256];
    ssize_t n;
    while (request.find('\n') == std::string::npos && (n = read(fd.get(), bytes, sizeof bytes)) > 0)
        request.append(bytes, static_cast<std::size_t>(n));
    std::string reply = control(split_words(request.substr(0, request.find('\n'))));
    send_all(fd.get(), reply.data(), reply.size());
}

std::string Service::control(const std::vector<std::string> &words) {
    std::string verb = words.empty() ? "" : words[0];
    if ((verb == "send" || verb == "send-split") && (words.size() == 1 || words.size() == 3)) {
        auto now = static_cast<int32_t>(now_ms());
        int32_t sleep_start = words.size() == 3 ? std::atoi(words[1].c_str()) : now - sleep_ms_;
        int32_t wakeup = words.size() == 3 ? std::atoi(words[2].c_str()) : now;
        int sent = send_record(sleep_start, wakeup, verb == "send-split");
        std::string line = (verb == "send" ? "record " : "record in pieces ") +
                           std::to_string(sleep_start) + " " + std::to_string(wakeup) + " to " +
                           std::to_string(sent);
        note(line);
        return line + "\n";
    }
    if (verb == "close" && words.size() == 1) {
        close_channels();
        return "";
    }
    if (verb == "unlisten" && words.size() == 1) {
        stop_listening();
        note("stopped listening");
        return "";
    }
    if (verb == "reset" && words.size() == 1) {
        close_channels();
        stop_listening();
        set_enabled(false);
        asleep_ = false;
        next_id_ = 1;
        note("reset");
        return listen_on_service_paths() ? "" : "error: cannot listen\n";
    }
    if (verb == "timing" && words.size() == 3) {
        sleep_ms_ = std::max(1, std::atoi(words[1].c_str()));
        awake_ms_ = std::max(0, std::atoi(words[2].c_str()));
        if (kernel_)
            kernel_->set_pause_ms(awake_ms_);
        return "";
    }
    if (verb == "show" && words.size() == 1) {
        std::string text;
        for (const auto &line : journal_)
            text += line + "\n";
        return text;
    }
    if (verb == "clear" && words.size() == 1) {
        journal_.clear();
        return "";
    }
    if (verb == "cycles" && words.size() == 1)
        return cycles();
    if (verb == "state" && words.size() == 1) {
        bool asleep = asleep_ || (kernel_ && kernel_->suspending());
        return std::string("autosuspend ") + (enabled_ ? "enabled" : "disabled") +
               (asleep ? ", asleep" : ", awake") +
               (command_listener_ ? ", listening" : ", not listening") + ", " +
               std::to_string(commands_.size()) + " cmd, " + std::to_string(data_.size()) +
               " data channels\n";
    }
    return "error: unknown request '" + verb + "'\n";
}

bool Service::run() {
    if (!listen_on_service_paths())
        return false;
    control_listener_ = listen_at(control_path().c_str());
    if (!control_listener_)
        return false;
    termination_ = sim::termination_fd();
    if (!termination_)
        return false;
    // Started with SIGTERM and SIGINT blocked: they reach the signalfd alone.
    if (KernelSuspend::available()) {
        kernel_ = std::make_unique<KernelSuspend>();
        if (!kernel_->start())
            return false;
    }
    awake_since_ = now_ms();
    for (;;) {
        enum class Kind {
            termination,
            command_listener,
            data_listener,
            control,
            command,
            data,
            kernel
        };
        std::vector<pollfd> fds;
        std::vector<Kind> kinds;
        auto watch = [&](int fd, Kind kind) {
            if (fd < 0)
                return;
            fds.push_back({fd, POLLIN, 0});
            kinds.push_back(kind);
        };
        watch(termination_.get(), Kind::termination);
        watch(command_listener_.get(), Kind::command_listener);
        watch(data_listener_.get(), Kind::data_listener);
        watch(control_listener_.get(), Kind::control);
        for (const auto &channel : commands_)
            watch(channel.fd.get(), Kind::command);
        for (const auto &channel : data_)
            watch(channel.fd.get(), Kind::data);
        if (kernel_)
            watch(kernel_->ready_fd(), Kind::kernel);
        if (poll(fds.data(), fds.size(), poll_timeout()) < 0 && errno != EINTR)
            return false;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents == 0)
                continue;
            int fd = fds[i].fd;
            auto by_fd = [fd](const auto &channel) { return channel.fd.get() == fd; };
            switch (kinds[i]) {
            case Kind::termination:
                return true;
            case Kind::command_listener:
                if (fd == command_listener_.get())
                    accept_command_channel();
                break;
            case Kind::data_listener:
                if (fd == data_listener_.get())
                    accept_data_channel();
                break;
            case Kind::control:
                serve_control();
                break;
            case Kind::command: {
                auto it = std::find_if(commands_.begin(), commands_.end(), by_fd);
                if (it != commands_.end())
                    read_command_channel(static_cast<std::size_t>(it - commands_.begin()));
                break;
            }
            case Kind::data: {
                auto it = std::find_if(data_.begin(), data_.end(), by_fd);
                if (it != data_.end())
                    read_data_channel(static_cast<std::size_t>(it - data_.begin()));
                break;
            }
            case Kind::kernel:
                send_kernel_sleeps();
                break;
            }
        }
        advance_suspend_cycle();
    }
}

} // namespace sim::autosuspend
