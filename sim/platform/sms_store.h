/* SPDX-License-Identifier: MIT */
// The simulated SMS service's shared state in the control directory, so that every
// process of a simulated module sees the same store:
//   sms/store/<index>  one stored message each
//   sms/arrivals       the index of each delivered message, one line each, in order
//   sms/outbox         the messages sent, one line each
//   sms/smsc           the service-centre address, "<type> <address>"
#pragma once

#include "simctl.h"

#include <optional>
#include <string>
#include <vector>

namespace sim::sms {

constexpr int kCapacity = 50;

struct Message {
    int status = 0; // 0 not read yet, 1 read
    int format = 0;
    std::string sender;
    std::string timestamp;
    int reference = 0;
    int part_index = 1;
    int part_total = 1;
    int length = 0; // as reported to readers: the text's size unless a delivery says otherwise
    std::string text;
};

// Creates the service's folders; false outside a simulated module.
bool prepare();
std::string arrivals_path();

// Stores a message under the lowest free index.
std::optional<int> store(const Message &message);
std::optional<Message> load(int index);
bool save(int index, const Message &message);
bool erase(int index);
// No stored and no sent messages.
void clear();
std::vector<int> stored_indexes();

// Announces a stored message to the waiting clients.
bool announce(int index);

bool append_outbox(const std::string &number, int format, const std::string &text);
std::string outbox();

bool save_smsc(int type, const std::string &address);
std::pair<int, std::string> load_smsc();

using sim::escape;

} // namespace sim::sms
