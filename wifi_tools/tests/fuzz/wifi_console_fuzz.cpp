// SPDX-License-Identifier: MIT
// Any console input through the Wi-Fi consoles' cores: the input read in pieces, each piece
// checked for a stop word and handled as the test-mode console does, and the input's first
// words taken as the dual console's command line and station texts.
#include "console.h"
#include "dual_command_line.h"
#include "dual_param.h"
#include "rftest_demo.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using wifi_tools::kConsoleLineSize;

// Ends every input: a piece of its own (a line feed comes before it), and never in the
// input, whose 0x01 bytes are changed.
const char kLast[] = "\001end of fuzz input\001\n";

int g_input = -1; // the write end of the pipe standing in for standard input

// Feeds the input and reads it back in pieces up to the closing line: each piece at most
// kConsoleLineSize - 2 characters, ending with its line feed unless it was cut there, and
// with no input of the next one (when the input holds no NUL, the pieces are the input).
std::string read_pieces(const std::string &input, std::vector<std::string> &pieces) {
    std::string fed = input + "\n" + kLast;
    if (write(g_input, fed.data(), fed.size()) != static_cast<ssize_t>(fed.size()))
        abort();
    std::string joined;
    for (;;) {
        char line[kConsoleLineSize];
        if (!wifi_tools::read_console_line(line))
            abort(); // input never ends and no signal comes
        if (line[kConsoleLineSize - 2] != '\0' || line[kConsoleLineSize - 1] != '\0')
            abort();
        if (std::strcmp(line, kLast) == 0)
            return joined;
        joined += line;
        pieces.emplace_back(line);
    }
}

std::vector<std::string> words_of(const std::string &input) {
    std::vector<std::string> words = {"wlan_dual_demo"};
    size_t at = 0;
    while (words.size() < 6 && at < input.size()) {
        size_t end = input.find(' ', at);
        if (end == std::string::npos)
            end = input.size();
        words.push_back(input.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

void command_line(const std::string &input) {
    std::vector<std::string> words = words_of(input.substr(0, input.find('\n')));
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);
    wifi_tools::DualCommandLine cl =
        wifi_tools::parse_dual_command_line(static_cast<int>(words.size()), argv.data());
    if (cl.work_mode != 0 && cl.work_mode != 1)
        abort();
    if (cl.station) {
        wifi_sta_param record;
        memset(&record, 0, sizeof record);
        wifi_tools::wlan_dual_param_set(&record, cl.ssid, cl.pw, cl.auth);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0 || dup2(pipe_fds[0], STDIN_FILENO) != STDIN_FILENO)
        abort();
    close(pipe_fds[0]);
    g_input = pipe_fds[1];
    // The consoles' reports are not wanted here.
    if (!freopen("/dev/null", "w", stdout))
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > 16384)
        return 0; // the pipe holds the whole input
    std::string input(reinterpret_cast<const char *>(data), size);
    for (char &c : input)
        if (c == '\001')
            c = '\002';
    std::vector<std::string> pieces;
    std::string joined = read_pieces(input, pieces);
    if (input.find('\0') == std::string::npos && joined != input + "\n")
        abort();
    for (std::string &piece : pieces) {
        if (piece.size() > kConsoleLineSize - 2)
            abort();
        wifi_tools::is_stop_word(piece.c_str());
        std::vector<char> line(piece.begin(), piece.end());
        line.resize(kConsoleLineSize, '\0');
        wifi_tools::handle_rftest_command(line.data());
    }
    command_line(input);
    return 0;
}
