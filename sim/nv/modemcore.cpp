// SPDX-License-Identifier: MIT
// orvo-sim-modemcore: the modem core behind the rpmsg channel, for the simulated module: the
// channel's far end, which greets the daemon with the 24-byte first message (--no-hello: it
// does not) and sends the frames that `sim/module ctl nv` hands it. Runs until killed.
#include "modemcore_link.h"

#include <string>

int main(int argc, char **argv) {
    bool hello = !(argc > 1 && std::string(argv[1]) == "--no-hello");
    return sim::nv::serve(hello);
}
