// SPDX-License-Identifier: MIT
// orvo-sim-modemcore: the modem core behind the rpmsg channel, for the simulated module: the
// channel's far end, which greets the daemon with the 24-byte first message (--no-hello: it
// does not) and sends the frames that `sim/module ctl nv` hands it. Runs until killed.
// --device PATH: the far end is the modem's end of the board driver's channel (on the
// emulated board), not a socket for the channel interposer.
#include "modemcore_link.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
    bool hello = true;
    const char *device = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-hello") == 0 && hello) {
            hello = false;
        } else if (std::strcmp(argv[i], "--device") == 0 && !device && i + 1 < argc) {
            device = argv[++i];
        } else {
            std::fprintf(stderr, "usage: orvo-sim-modemcore [--no-hello] [--device PATH]\n");
            return 2;
        }
    }
    return sim::nv::serve(hello, device);
}
