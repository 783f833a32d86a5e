// SPDX-License-Identifier: MIT
#include "sms_store.h"

#include "common/guards.h"
#include "common/unique_fd.h"
#include "simctl.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace sim::sms {

namespace {

const char *kDefaultSmsc = "+15550100000";
constexpr int kDefaultSmscType = 145;

std::string dir() {
    return sim::path("sms");
}
std::string message_path(int index) {
    return dir() + "/store/" + std::to_string(index);
}

// Serialises index allocation and removal between processes.
class StoreLock {
  public:
    StoreLock()
        : fd_(orvo::open_fd((dir() + "/store.lock").c_str(), O_RDWR | O_CREAT, 0644)),
          lock_(fd_.get()) {}

  private:
    orvo::UniqueFd fd_;
    orvo::FileLock lock_;
};

std::string serialise(const Message &m) {
    std::ostringstream out;
    out << "status " << m.status << "\nformat " << m.format << "\nsender " << m.sender << "\ntime "
        << m.timestamp << "\nreference " << m.reference << "\npart " << m.part_index << " "
        << m.part_total << "\nlength " << m.length << "\n\n"
        << m.text;
    return out.str();
}

std::optional<Message> parse(const std::string &data) {
    Message m;
    size_t pos = 0;
    for (;;) {
        size_t end = data.find('\n', pos);
        if (end == std::string::npos)
            return std::nullopt;
        std::string line = data.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty())
            break;
        size_t space = line.find(' ');
        std::string key = line.substr(0, space);
        std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (key == "status")
            m.status = std::atoi(value.c_str());
        else if (key == "format")
            m.format = std::atoi(value.c_str());
        else if (key == "sender")
            m.sender = value;
        else if (key == "time")
            m.timestamp = value;
        else if (key == "reference")
            m.reference = std::atoi(value.c_str());
        else if (key == "part")
            std::sscanf(value.c_str(), "%d %d", &m.part_index, &m.part_total);
        else if (key == "length")
            m.length = std::atoi(value.c_str());
    }
    m.text = data.substr(pos);
    return m;
}

// Written whole under a temporary name, so a reader never sees half a message.
bool write_atomically(const std::string &file, const std::string &data) {
    return sim::replace_file(file, data);
}

} // namespace

bool prepare() {
    if (!sim::active())
        return false;
    mkdir(dir().c_str(), 0755);
    mkdir((dir() + "/store").c_str(), 0755);
    return orvo::open_fd(arrivals_path().c_str(), O_WRONLY | O_CREAT, 0644).valid();
}

std::string arrivals_path() {
    return dir() + "/arrivals";
}

std::optional<int> store(const Message &message) {
    if (!prepare())
        return std::nullopt;
    StoreLock lock;
    for (int index = 0; index < kCapacity; ++index) {
        if (access(message_path(index).c_str(), F_OK) != 0)
            return write_atomically(message_path(index), serialise(message))
                       ? std::optional<int>(index)
                       : std::nullopt;
    }
    return std::nullopt;
}

std::optional<Message> load(int index) {
    if (index < 0 || index >= kCapacity)
        return std::nullopt;
    auto data = sim::read_file(message_path(index));
    return data ? parse(*data) : std::nullopt;
}

bool save(int index, const Message &message) {
    StoreLock lock;
    if (access(message_path(index).c_str(), F_OK) != 0)
        return false;
    return write_atomically(message_path(index), serialise(message));
}

bool erase(int index) {
    if (index < 0 || index >= kCapacity)
        return false;
    StoreLock lock;
    return unlink(message_path(index).c_str()) == 0;
}

void clear() {
    StoreLock lock;
    for (int index = 0; index < kCapacity; ++index)
        unlink(message_path(index).c_str());
    unlink((dir() + "/outbox").c_str());
}

std::vector<int> stored_indexes() {
    std::vector<int> indexes;
    for (int index = 0; index < kCapacity; ++index) {
        if (access(message_path(index).c_str(), F_OK) == 0)
            indexes.push_back(index);
    }
    return indexes;
}

bool announce(int index) {
    return sim::append_line(arrivals_path(), std::to_string(index));
}

bool append_outbox(const std::string &number, int format, const std::string &text) {
    return sim::append_line(dir() + "/outbox", escape(number) + "\t" + std::to_string(format) +
                                                   "\t" + std::to_string(text.size()) + "\t" +
                                                   escape(text));
}

std::string outbox() {
    return sim::read_file(dir() + "/outbox").value_or("");
}

bool save_smsc(int type, const std::string &address) {
    return write_atomically(dir() + "/smsc", std::to_string(type) + " " + address + "\n");
}

std::pair<int, std::string> load_smsc() {
    auto text = sim::read_file(dir() + "/smsc");
    if (!text)
        return {kDefaultSmscType, kDefaultSmsc};
    std::istringstream in(*text);
    int type = 0;
    std::string address;
    in >> type >> address;
    return {type, address};
}

} // namespace sim::sms
