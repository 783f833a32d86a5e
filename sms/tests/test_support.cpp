// SPDX-License-Identifier: MIT
#include "test_support.h"

#include "simclient.h"

namespace smstest {

int deliver(const std::vector<std::string> &args) {
    sim::SmsDelivery message;
    size_t i = 0;
    for (; i + 1 < args.size() && args[i].compare(0, 2, "--") == 0; i += 2) {
        if (args[i] == "--format")
            message.format = std::stoi(args[i + 1]);
        else
            message.length = std::stoi(args[i + 1]);
    }
    message.sender = args.at(i);
    message.text = args.at(i + 1);
    if (args.size() == i + 4) {
        message.part_index = std::stoi(args[i + 2]);
        message.part_total = std::stoi(args[i + 3]);
    }
    return sim::sms_deliver(message);
}

std::vector<std::string> service_calls() {
    std::vector<std::string> calls;
    const std::string prefix = "liborvo-sms ";
    for (const std::string &line : sim::calls()) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            calls.push_back(line.substr(prefix.size()));
    }
    return calls;
}

void clear_calls() {
    sim::clear_calls();
}

void reset_service() {
    sim::sms_clear();
}

void fail(const std::string &call, int code) {
    sim::fail(call, code);
}

void unfail(const std::string &call) {
    sim::unfail(call);
}

bool wake_lock_held(const std::string &name) {
    return testkit::contains(testkit::held_wake_locks(), name);
}

} // namespace smstest
