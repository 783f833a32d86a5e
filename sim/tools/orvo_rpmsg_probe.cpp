// SPDX-License-Identifier: MIT
// orvo-sim-rpmsg-probe: the module's end of the rpmsg channel driven a line at a time from
// standard input, one result line each, so a transcript compares the same on every kernel:
//   open | ioctl NAME VALUE | ready MS | read SIZE | write HEX | close
// NAME is RPMSG_CREATE_CHANNEL, RPMSG_SET_INT_FLAG or RPMSG_CLEAR_POLL_FLAG. A read prints
// its length and bytes in hex; a failure prints the errno's name.
#include "common/unique_fd.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char *kChannel = "/dev/armps_rpmsgch8";
const std::map<std::string, unsigned long> kIoctls = {
    {"RPMSG_CREATE_CHANNEL", 0x40045201},
    {"RPMSG_SET_INT_FLAG", 0x40045204},
    {"RPMSG_CLEAR_POLL_FLAG", 0x40045207},
};

std::string failed() {
    return strerrorname_np(errno);
}

std::string hex(const std::vector<unsigned char> &bytes) {
    std::string text;
    char byte[3];
    for (unsigned char b : bytes) {
        std::snprintf(byte, sizeof byte, "%02x", b);
        text += byte;
    }
    return text;
}

// The bytes of an even number of hex digits; false for anything else.
bool bytes_of(const std::string &hex_text, std::vector<unsigned char> &bytes) {
    if (hex_text.size() % 2 != 0 ||
        hex_text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    for (size_t i = 0; i < hex_text.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoul(hex_text.substr(i, 2), nullptr, 16)));
    return true;
}

std::string ready(int fd, long ms) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fd, &readable);
    timeval timeout{ms / 1000, (ms % 1000) * 1000};
    int n = select(fd + 1, &readable, nullptr, nullptr, &timeout);
    return n < 0 ? failed() : n ? "yes" : "no";
}

std::string run(const std::string &verb, std::istringstream &words, orvo::UniqueFd &channel) {
    std::string arg;
    long number = 0;
    if (verb == "open") {
        channel = orvo::open_fd(kChannel, O_RDWR);
        return channel ? "ok" : failed();
    }
    if (verb == "close") {
        channel.reset();
        return "ok";
    }
    if (verb == "ioctl" && words >> arg >> number && kIoctls.count(arg))
        return ioctl(channel.get(), kIoctls.at(arg), static_cast<int>(number)) == 0 ? "ok"
                                                                                    : failed();
    if (verb == "ready" && words >> number)
        return ready(channel.get(), number);
    if (verb == "read" && words >> number && number >= 0 && number <= 65536) {
        std::vector<unsigned char> buffer(static_cast<size_t>(number));
        ssize_t n = read(channel.get(), buffer.data(), buffer.size());
        if (n < 0)
            return failed();
        buffer.resize(static_cast<size_t>(n));
        return "ok " + std::to_string(n) + " " + hex(buffer);
    }
    std::vector<unsigned char> bytes;
    if (verb == "write" && words >> arg && bytes_of(arg, bytes)) {
        ssize_t n = write(channel.get(), bytes.data(), bytes.size());
        return n < 0 ? failed() : "ok " + std::to_string(n);
    }
    return "bad command";
}

} // namespace

int main() {
    orvo::UniqueFd channel;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string verb;
        if (!(words >> verb))
            continue;
        std::printf("%s: %s\n", line.c_str(), run(verb, words, channel).c_str());
        std::fflush(stdout);
    }
    return 0;
}
