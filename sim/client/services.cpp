// SPDX-License-Identifier: MIT
// Requests of the simulated services' own: the autosuspend service's control socket, the
// SMS service's network side, the NV service's misbehaviour and the NV simulators' records.
#include "simclient.h"

#include "common/io.h"
#include "common/kernel_wakelock.h"
#include "common/local_socket.h"
#include "common/unique_fd.h"
#include "simctl.h"
#include "sms_store.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace sim {

namespace {

// Service-centre time stamp, "yy/MM/dd,hh:mm:ss+zz".
std::string sms_timestamp_now() {
    time_t now = time(nullptr);
    tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    strftime(text, sizeof text, "%y/%m/%d,%H:%M:%S+00", &utc);
    return text;
}

void say(std::string *why, const std::string &text) {
    if (why)
        *why = text;
}

} // namespace

Reply autosuspend(const std::string &request) {
    orvo::UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    std::string control = path("autosuspend.control");
    sockaddr_un address = orvo::local_address(control.c_str());
    if (!fd || connect(fd.get(), orvo::as_sockaddr(address), sizeof address) != 0)
        return {false, "the simulated autosuspend service is not running\n"};
    std::string line = request + "\n";
    if (orvo::write_all(fd.get(), line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        return {false, "the simulated autosuspend service did not take the request\n"};
    std::string reply;
    char bytes[4096];
    ssize_t n;
    while ((n = orvo::read_all(fd.get(), bytes, sizeof bytes)) > 0)
        reply.append(bytes, static_cast<size_t>(n));
    return {reply.compare(0, 6, "error:") != 0, reply};
}

int sms_deliver(const SmsDelivery &delivery, std::string *why) {
    if (!service_running("sms")) {
        say(why, "the SMS service is not running");
        return -1;
    }
    sms::Message message;
    message.sender = delivery.sender;
    message.text = delivery.text;
    message.format = delivery.format;
    message.length = delivery.length.value_or(static_cast<int>(delivery.text.size()));
    message.part_index = delivery.part_index;
    message.part_total = delivery.part_total;
    message.timestamp = sms_timestamp_now();
    auto index = sms::store(message);
    if (!index) {
        say(why, "the message store is full or unavailable");
        return -1;
    }
    // The service holds the kernel wake lock "sms_read" until a client has read the message.
    static const char kLock[] = "sms_read";
    if (orvo::write_wakelock_file(orvo::kWakeLockFile, kLock, sizeof kLock - 1) !=
        orvo::WakelockWrite::ok)
        say(why, std::string("cannot take the wake lock sms_read: ") + std::strerror(errno));
    if (!sms::announce(*index)) {
        say(why, "cannot announce the message");
        return -1;
    }
    return *index;
}

std::string sms_outbox() {
    return sms::outbox();
}

std::vector<std::string> sms_store() {
    std::vector<std::string> lines;
    for (int index : sms::stored_indexes()) {
        auto m = sms::load(index);
        if (!m)
            continue;
        lines.push_back(std::to_string(index) + "\t" + (m->status ? "read" : "unread") + "\t" +
                        std::to_string(m->format) + "\t" + std::to_string(m->part_index) + "/" +
                        std::to_string(m->part_total) + "\t" + sms::escape(m->sender) + "\t" +
                        sms::escape(m->text));
    }
    return lines;
}

std::string sms_smsc() {
    auto [type, address] = sms::load_smsc();
    return std::to_string(type) + " " + address;
}

void sms_clear() {
    sms::clear();
}

std::string nv_record(const std::string &name) {
    static const char *const kFiles[][2] = {{"requests", "requests.log"},
                                            {"last-request", "last-request.bin"},
                                            {"channel", "channel.log"},
                                            {"answers", "modemcore.log"}};
    if (name == "channel" && on_board())
        return read_file("/sys/kernel/debug/orvo_board/channel").value_or("");
    for (const auto &file : kFiles) {
        if (name == file[0])
            return read_file(path(std::string("nv/") + file[1])).value_or("");
    }
    return "";
}

// Handed over in a file, then SIGHUP until the service has taken it.
bool nv_service_command(const std::string &line, std::string *why) {
    Service service("nvservice");
    pid_t pid = service.pid();
    if (pid <= 0) {
        say(why, "the NV service is not running");
        return false;
    }
    std::string file = path("nv/service.ctl");
    if (!append_line(file, line)) {
        say(why, "cannot hand the command over");
        return false;
    }
    for (int tries = 250; tries > 0; --tries) {
        if (access(file.c_str(), F_OK) != 0)
            return true;
        kill(pid, SIGHUP);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    say(why, "the NV service did not take the command");
    return false;
}

} // namespace sim
