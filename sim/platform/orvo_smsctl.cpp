// orvo-smsctl: the network side of the simulated SMS service (sim/module ctl sms).
//   deliver [--format F] [--length N] SENDER TEXT [I N]
//                      a message arrives at the module (part I of N): stored, the kernel
//                      wake lock "sms_read" taken, waiting clients woken; prints the index
//   outbox             sent messages: number, format, length, text (escaped), tab-separated
//   store              stored messages: index, status, format, part, sender, text
//   smsc               the service-centre address
#include "sms_store.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: ctl sms deliver [--format F] [--length N] SENDER TEXT [I N]\n"
                         "       ctl sms outbox | store | smsc\n");
    return 2;
}

bool parse_int(const char *text, int &value) {
    char *end = nullptr;
    errno = 0;
    long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < -2147483647L - 1 ||
        parsed > 2147483647L)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

// Service-centre time stamp, "yy/MM/dd,hh:mm:ss+zz".
std::string timestamp_now() {
    time_t now = time(nullptr);
    tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    strftime(text, sizeof text, "%y/%m/%d,%H:%M:%S+00", &utc);
    return text;
}

bool take_wake_lock() {
    int fd = open("/sys/power/wake_lock", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = write(fd, "sms_read", 8) == 8;
    close(fd);
    return ok;
}

int deliver(std::vector<const char *> args) {
    smssim::Message message;
    bool length_given = false;
    while (args.size() >= 2 && args[0][0] == '-') {
        int value = 0;
        if (!parse_int(args[1], value))
            return usage();
        if (std::strcmp(args[0], "--format") == 0) {
            message.format = value;
        } else if (std::strcmp(args[0], "--length") == 0) {
            message.length = value;
            length_given = true;
        } else {
            return usage();
        }
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() != 2 && args.size() != 4)
        return usage();
    message.sender = args[0];
    message.text = args[1];
    if (message.sender.empty() || message.sender.find('\n') != std::string::npos) {
        std::fprintf(stderr, "ctl sms: the sender must be one line of text\n");
        return 2;
    }
    if (args.size() == 4) {
        if (!parse_int(args[2], message.part_index) || !parse_int(args[3], message.part_total) ||
            message.part_index < 1 || message.part_index > message.part_total)
            return usage();
    }
    if (!length_given)
        message.length = static_cast<int>(message.text.size());
    message.timestamp = timestamp_now();

    auto index = smssim::store(message);
    if (!index) {
        std::fprintf(stderr, "ctl sms: the message store is full or unavailable\n");
        return 1;
    }
    if (!take_wake_lock())
        std::fprintf(stderr, "ctl sms: cannot take the wake lock sms_read: %s\n",
                     std::strerror(errno));
    if (!smssim::announce(*index)) {
        std::fprintf(stderr, "ctl sms: cannot announce the message\n");
        return 1;
    }
    std::printf("%d\n", *index);
    return 0;
}

void list_store() {
    for (int index : smssim::stored_indexes()) {
        auto m = smssim::load(index);
        if (!m)
            continue;
        std::printf("%d\t%s\t%d\t%d/%d\t%s\t%s\n", index, m->status ? "read" : "unread", m->format,
                    m->part_index, m->part_total, smssim::escape(m->sender).c_str(),
                    smssim::escape(m->text).c_str());
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2)
        return usage();
    if (!smssim::prepare()) {
        std::fprintf(stderr, "ctl sms: works inside a simulated module\n");
        return 1;
    }
    std::string command = argv[1];
    std::vector<const char *> args(argv + 2, argv + argc);
    if (command == "deliver")
        return deliver(args);
    if (!args.empty())
        return usage();
    if (command == "outbox") {
        std::fputs(smssim::outbox().c_str(), stdout);
    } else if (command == "store") {
        list_store();
    } else if (command == "smsc") {
        auto [type, address] = smssim::load_smsc();
        std::printf("%d %s\n", type, address.c_str());
    } else {
        return usage();
    }
    return 0;
}
