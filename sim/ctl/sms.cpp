// SPDX-License-Identifier: MIT
// ctl sms: the network side of the simulated SMS service.
#include "simclient.h"
#include "topics.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace sim::ctl {

namespace {

const char kUsage[] =
    R"(usage: sim/module ctl sms deliver [--format F] [--length N] SENDER TEXT [I N]
                          a message arrives at the module (part I of N): stored, the kernel
                          wake lock "sms_read" taken, waiting clients woken; prints the index
       sim/module ctl sms outbox    sent messages: number, format, length, text (escaped)
       sim/module ctl sms store     stored messages: index, status, format, part, sender, text
       sim/module ctl sms smsc      the service-centre address
       sim/module ctl sms start | stop | restart | status    the service's process
)";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

bool parse_int(const std::string &text, int &value) {
    char *end = nullptr;
    errno = 0;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || parsed < -2147483647L - 1 ||
        parsed > 2147483647L)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

int deliver(Args args) {
    SmsDelivery message;
    while (args.size() >= 2 && args[0][0] == '-') {
        int value = 0;
        if (!parse_int(args[1], value))
            return usage();
        if (args[0] == "--format")
            message.format = value;
        else if (args[0] == "--length")
            message.length = value;
        else
            return usage();
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
    if (args.size() == 4 &&
        (!parse_int(args[2], message.part_index) || !parse_int(args[3], message.part_total) ||
         message.part_index < 1 || message.part_index > message.part_total))
        return usage();
    std::string why;
    int index = sms_deliver(message, &why);
    if (!why.empty())
        complain("sms", why);
    if (index < 0)
        return 1;
    std::printf("%d\n", index);
    return 0;
}

} // namespace

int sms(const Args &args) {
    if (args.empty())
        return usage();
    const std::string &command = args[0];
    if (command == "deliver")
        return deliver(Args(args.begin() + 1, args.end()));
    if (args.size() != 1)
        return usage();
    if (command == "outbox") {
        std::fputs(sms_outbox().c_str(), stdout);
    } else if (command == "store") {
        for (const auto &line : sms_store())
            std::printf("%s\n", line.c_str());
    } else if (command == "smsc") {
        std::printf("%s\n", sms_smsc().c_str());
    } else {
        return usage();
    }
    return 0;
}

} // namespace sim::ctl
