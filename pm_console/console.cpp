// SPDX-License-Identifier: MIT
// The command loop: the menu and the prompt before each read, the command word echoed.
#include "console.h"

#include <cstdio>
#include <cstring>

namespace pm_console {

namespace {

// One read takes at most 63 characters; a longer line is read in pieces.
constexpr size_t kLineSize = 64;

} // namespace

int run_console() {
    char line[kLineSize];
    for (;;) {
        print_menu();
        printf("Please input an cmd:");
        fflush(stdout);
        memset(line, 0, sizeof line);
        if (fgets(line, sizeof line, stdin) == nullptr)
            return 0;
        char empty[] = "";
        char *word = strtok(line, " ");
        char *arg = word != nullptr ? strtok(nullptr, " ") : nullptr;
        if (word == nullptr)
            word = empty; // a piece made only of spaces
        word[strcspn(word, "\n")] = '\0';
        printf("cmd1:%s\n", word);
        if (run_command(word, arg) == Next::quit) {
            fflush(stdout);
            return 0;
        }
    }
}

} // namespace pm_console
