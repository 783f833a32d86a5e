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
    // [--no-hello] [--device PATH], in that order.
    int next = 1;
    bool hello = !(next < argc && std::strcmp(argv[next], "--no-hello") == 0);
    next += hello ? 0 : 1;
    bool on_device = next + 1 < argc && std::strcmp(argv[next], "--device") == 0;
    if (argc != next + (on_device ? 2 : 0)) {
        std::fprintf(stderr, "usage: orvo-sim-modemcore [--no-hello] [--device PATH]\n");
        return 2;
    }
    return sim::nv::serve(hello, on_device ? argv[next + 1] : nullptr);
}
