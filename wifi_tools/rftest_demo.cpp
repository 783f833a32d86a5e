// SPDX-License-Identifier: MIT
#include "rftest_demo.h"

#include "console.h"
#include "qx_wifi.h"
#include "termination.h"

#include <cstdio>
#include <cstring>

extern "C" void user_status_cb(int32_t a, int32_t b) {
    std::printf("[wlan_rftest]user_status_cb:%d,%d\n", a, b);
}

namespace wifi_tools {

namespace {

const char kEnableWord[] = "testmode_enable";
const char kDisableWord[] = "testmode_disable";

// A cut line longer than the word never matches: the word's terminator differs.
bool is_leading_part(const char *cut, size_t len, const char *word) {
    return std::strncmp(word, cut, len) == 0;
}

} // namespace

void handle_rftest_command(char *line) {
    size_t len = std::strlen(line);
    std::printf("[wlan_rftest]cmdstr:%zu %s\n", len, line);
    if (len < 2)
        return;
    // The last character goes: the line feed of a whole line, a real one otherwise.
    line[len - 1] = '\0';
    size_t cut_len = len - 1;
    std::printf("[wlan_rftest]cmd=%s\n", line);
    if (is_leading_part(line, cut_len, kEnableWord)) {
        std::printf("[wlan_rftest]testmode_enable ret=%d\n", qx_wifi_drv_test_mode_ext(0, 1));
    } else if (is_leading_part(line, cut_len, kDisableWord)) {
        std::printf("[wlan_rftest]testmode_disable ret=%d\n", qx_wifi_drv_test_mode_ext(0, 0));
    } else {
        std::printf("Request unknow.\n");
        std::printf("[wlan_rftest]Usage: %s\n", line);
        std::printf("%s\n%s\n\n", kEnableWord, kDisableWord);
    }
}

int run_rftest_demo() {
    std::printf("[wlan_rftest]test begin\n");
    install_termination_handler();
    if (init_wifi_library() == 0)
        qx_wifi_set_enable_status_ind_cb_ext(0, user_status_cb);
    run_console("[wlan_rftest]Please input test command:\n", handle_rftest_command);
    qx_wifi_uninit_ext(0);
    std::printf("[wlan_rftest]test end\n");
    return 0;
}

} // namespace wifi_tools
