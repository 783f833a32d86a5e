// SPDX-License-Identifier: MIT
// Arbitrary config files (and staged changes after a NUL byte) through the UCI stand-in:
// whatever parses is written back in a form that parses to the same config, so a commit
// never leaves a file that the next read refuses. Runs inside a simulated module.
#include "uci_config.h"
#include "uci_store.h"

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kConfigDir = "/tmp/uci-fuzz/config";
const std::string kSaveDir = "/tmp/uci-fuzz/save";

void check(bool ok) {
    if (!ok)
        abort();
}

void write_file(const std::string &path, const std::string &text) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    check(fd >= 0);
    check(write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()));
    close(fd);
}

// Formatting is stable: the written text parses, and formats to itself.
void check_round_trip(const sim::uci::Config &config) {
    std::string text = sim::uci::format(config);
    sim::uci::ParseError error;
    auto again = sim::uci::parse(text, &error);
    check(again.has_value());
    check(sim::uci::format(*again) == text);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    mkdir("/tmp/uci-fuzz", 0700);
    mkdir(kConfigDir.c_str(), 0700);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string input(reinterpret_cast<const char *>(data), size);
    size_t split = input.find('\0');
    std::string text = input.substr(0, split);
    sim::uci::ParseError error;
    auto config = sim::uci::parse(text, &error);
    if (!config) {
        check(!error.what.empty());
        return 0;
    }
    check_round_trip(*config);

    write_file(kConfigDir + "/c", text);
    std::string delta = split == std::string::npos ? "" : input.substr(split + 1);
    mkdir(kSaveDir.c_str(), 0700);
    write_file(kSaveDir + "/c", delta);
    sim::uci::Store store(kConfigDir, kSaveDir);
    sim::uci::Config loaded;
    check(store.load("c", &loaded) == sim::uci::Status::ok);
    check_round_trip(loaded);
    return 0;
}
