// SPDX-License-Identifier: MIT
// AT+LEELSP: the MAC goes down before automatic suspend is switched. This program defines
// system and kesl_autosuspend_enable itself, so the plug-in's calls reach these first; each
// is noted in order and passed on to the real one in the simulated module.
#include "liborvo-at-common.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_calls;
std::vector<std::string> g_output;

template <typename F> F next_definition(const char *name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void output(const char *data, int length, int) {
    g_output.emplace_back(data, static_cast<size_t>(length));
}

void send(const char *line) {
    std::vector<char> text(line, line + strlen(line) + 1);
    orvo_at_common_cb(text.data(), 0);
}

} // namespace

// Visible, so that the dynamic linker binds the plug-in's calls here.
extern "C" __attribute__((visibility("default"))) int system(const char *command) {
    g_calls.push_back(std::string("system ") + (command != nullptr ? command : "(null)"));
    static auto real = next_definition<int (*)(const char *)>("system");
    return real(command);
}

extern "C" __attribute__((visibility("default"))) int kesl_autosuspend_enable(char enable) {
    g_calls.push_back(std::string("kesl_autosuspend_enable ") + enable);
    static auto real = next_definition<int (*)(char)>("kesl_autosuspend_enable");
    return real(enable);
}

TEST(Leelsp, MacPowerDownComesBeforeTheSuspendSwitch) {
    orvo_register_at_common(output);
    const std::string power_down =
        "system echo 0 >/sys/devices/platform/soc/1307000.gmac/gmac_power";
    for (char mode : {'1', '0'}) {
        g_calls.clear();
        g_output.clear();
        std::string line = std::string("AT+LEELSP=") + mode;
        send(line.c_str());
        std::vector<std::string> expected = {power_down,
                                             std::string("kesl_autosuspend_enable ") + mode};
        EXPECT_EQ(g_calls, expected) << line;
        EXPECT_EQ(g_output, std::vector<std::string>{"OK\r\n"}) << line;
    }
}
