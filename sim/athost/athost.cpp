// SPDX-License-Identifier: MIT
// orvo-sim-athost: the simulated AT host. Loads an AT plug-in by path, registers an output
// function through orvo_register_at_common and hands it the lines of an AT port.
#include "at_port.h"
#include "liborvo-at-common.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {

using sim::AtPort;

const char kUsage[] =
    "usage: orvo-sim-athost [--pty [--link PATH]] PLUGIN\n"
    "\n"
    "Loads the AT plug-in PLUGIN (a path) with dlopen, looks up orvo_register_at_common,\n"
    "registers an output function and hands every line of the AT port to the plug-in's\n"
    "callback without its line end (LF, CR or CR LF). Every byte the plug-in emits is\n"
    "written to the port unchanged, as it emits it.\n"
    "\n"
    "  (default)    the port is standard input and output; ends at the end of input\n"
    "  --pty        the port is a new pseudo-terminal (raw mode); its device name is\n"
    "               printed on standard output; connect a terminal program to it as to a\n"
    "               modem's AT port; ends on SIGINT or SIGTERM\n"
    "  --link PATH  also make PATH a symbolic link to the pseudo-terminal\n"
    "\n"
    "Every line goes to the plug-in, whatever it holds. A line that the plug-in does not\n"
    "answer gets no answer from the host either: nothing is written for it (no OK, no\n"
    "ERROR). Lines longer than 1024 bytes are dropped.\n";

AtPort *g_port = nullptr;
volatile bool g_stop = false;

void on_signal(int) {
    g_stop = true;
}

void output(const char *data, int length, int) {
    if (g_port != nullptr && data != nullptr && length > 0)
        g_port->write_all(data, static_cast<size_t>(length));
}

orvo_at_callback_t load_plugin(const char *path) {
    void *plugin = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (plugin == nullptr) {
        fprintf(stderr, "orvo-sim-athost: %s\n", dlerror());
        return nullptr;
    }
    auto reg = reinterpret_cast<decltype(&orvo_register_at_common)>(
        dlsym(plugin, "orvo_register_at_common"));
    if (reg == nullptr) {
        fprintf(stderr, "orvo-sim-athost: %s has no orvo_register_at_common\n", path);
        return nullptr;
    }
    orvo_at_callback_t callback = reg(output);
    if (callback == nullptr)
        fprintf(stderr, "orvo-sim-athost: %s registered no callback\n", path);
    return callback;
}

int serve(AtPort &port, orvo_at_callback_t callback) {
    if (!port.ok())
        return 1;
    g_port = &port;
    port.serve(
        [callback](std::string &line) { callback(line.data(), static_cast<int>(line.size())); },
        g_stop);
    g_port = nullptr;
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    bool pty = false;
    std::string link;
    const char *plugin = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--pty") {
            pty = true;
        } else if (arg == "--link" && i + 1 < argc) {
            link = argv[++i];
        } else if (arg == "-h" || arg == "--help") {
            fputs(kUsage, stdout);
            return 0;
        } else if (plugin == nullptr && arg[0] != '-') {
            plugin = argv[i];
        } else {
            fputs(kUsage, stderr);
            return 2;
        }
    }
    if (plugin == nullptr || (!link.empty() && !pty)) {
        fputs(kUsage, stderr);
        return 2;
    }
    orvo_at_callback_t callback = load_plugin(plugin);
    if (callback == nullptr)
        return 1;
    if (!pty) {
        AtPort port;
        return serve(port, callback);
    }
    struct sigaction action {};
    action.sa_handler = on_signal; // no SA_RESTART: a signal ends the blocked read
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    AtPort port(link);
    if (port.ok()) {
        printf("%s\n", port.device().c_str());
        fflush(stdout);
    }
    return serve(port, callback);
}
