// SPDX-License-Identifier: MIT
// Arbitrary lines through the AT plug-in's callback: every answer is a whole CR LF line,
// every command of the table is answered, ending with OK or the error line, and any other
// line gets no answer.
#include "liborvo-at-common.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_answers;

void output(const char *data, int length, int) {
    if (data == nullptr || length <= 0 || static_cast<size_t>(length) != strlen(data))
        abort();
    std::string line(data, static_cast<size_t>(length));
    if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0)
        abort();
    g_answers.push_back(line);
}

bool names_a_command(const char *line) {
    static const char *const names[] = {"CGIR",      "LEELSP", "NETLED",
                                        "STATUSLED", "DDRID",  "HALTENABLE"};
    if (strnlen(line, 3) < 3)
        return false;
    for (const char *name : names)
        if (strncmp(line + 3, name, strlen(name)) == 0)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    orvo_at_callback_t callback = orvo_register_at_common(output);
    // Exactly the line and its terminator, so that a read past the end is caught.
    std::vector<char> line(data, data + size);
    line.push_back('\0');
    g_answers.clear();
    callback(line.data(), static_cast<int>(size));
    if (names_a_command(line.data()) == g_answers.empty())
        abort();
    if (!g_answers.empty() && g_answers.back() != "OK\r\n" &&
        g_answers.back() != "+CME ERROR: 100\r\n")
        abort();
    return 0;
}
