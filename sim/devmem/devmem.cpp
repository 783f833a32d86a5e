// SPDX-License-Identifier: MIT
// devmem stand-in: "devmem ADDRESS [32]" prints a simulated 32-bit register as "0x" and
// eight upper-case hexadecimal digits, as busybox devmem does. A register's value lives in
// /run/orvo-sim/devmem/<ADDRESS> (set through sim/module ctl devmem); "none" there makes the
// read fail with nothing on standard output.
#include "simctl.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

// The registers the module reads, with their values at power-on.
const std::map<uint32_t, uint32_t> kRegisters = {
    {0x0121B040, 0xF8631500}, // DDR identification
};

bool parse_number(const char *text, unsigned long long &value) {
    char *end = nullptr;
    value = strtoull(text, &end, 0);
    return end != text && *end == '\0';
}

int usage() {
    fprintf(stderr, "usage: devmem ADDRESS [32]   (reads only, in the simulated module)\n");
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    unsigned long long address = 0;
    if (argc < 2 || argc > 3 || !parse_number(argv[1], address))
        return usage();
    if (argc == 3 && std::string(argv[2]) != "32")
        return usage();
    sim::record("devmem", "read 0x%08llX", address);
    auto known = kRegisters.find(static_cast<uint32_t>(address));
    if (address > UINT32_MAX || known == kRegisters.end()) {
        fprintf(stderr, "devmem: no simulated register at 0x%08llX\n", address);
        return 1;
    }
    char name[16];
    snprintf(name, sizeof name, "0x%08" PRIX32, known->first);
    uint32_t value = known->second;
    if (auto text = sim::read_file(sim::path(std::string("devmem/") + name))) {
        unsigned long long scripted = 0;
        std::string trimmed = text->substr(0, text->find_first_of(" \n"));
        if (trimmed == "none" || !parse_number(trimmed.c_str(), scripted)) {
            fprintf(stderr, "devmem: cannot read 0x%08llX\n", address);
            return 1;
        }
        value = static_cast<uint32_t>(scripted);
    }
    printf("0x%08" PRIX32 "\n", value);
    return 0;
}
