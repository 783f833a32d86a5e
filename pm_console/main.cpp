// orvo-kesl-autosuspend-demo: drives the power-management library by hand, one command per
// input line.
#include "console.h"

#include <cstdio>
#include <cstring>

namespace {

// One read takes at most 63 characters; a longer line is read in pieces.
constexpr size_t kLineSize = 64;

} // namespace

int main() {
    // Line by line, as on a terminal, so that lines of the shell commands that the console
    // and the library run fall in order on a pipe too.
    setvbuf(stdout, nullptr, _IOLBF, 0);
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
        if (run_command(word, arg) == Next::Quit) {
            fflush(stdout);
            return 0;
        }
    }
}
