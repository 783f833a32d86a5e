// SPDX-License-Identifier: MIT
// A cross build's test programs run under the emulator on the cross toolchain's own C and
// C++ runtime, whatever armhf libraries the build machine has installed besides: two glibc
// builds mixed in one process crash it.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

// The file each runtime library is mapped from, by its name without the version.
std::map<std::string, std::string> mapped_runtime() {
    std::map<std::string, std::string> found;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        const auto slash = line.find('/');
        if (slash == std::string::npos)
            continue;
        const std::string path = line.substr(slash);
        const std::string name = path.substr(path.rfind('/') + 1);
        for (const char *lib : {"libc.so", "libm.so", "libstdc++.so", "libgcc_s.so", "ld-linux"}) {
            if (name.rfind(lib, 0) == 0)
                found[lib] = path;
        }
    }
    return found;
}

} // namespace

TEST(EmulatorRuntime, EveryRuntimeLibraryComesFromTheCrossToolchain) {
    const auto found = mapped_runtime();
    for (const char *lib : {"libc.so", "libm.so", "libstdc++.so", "libgcc_s.so", "ld-linux"}) {
        const auto it = found.find(lib);
        ASSERT_NE(it, found.end()) << lib << " is not mapped";
        EXPECT_EQ(it->second.rfind(ORVO_ARM_RUNTIME_DIR "/", 0), 0u)
            << lib << " comes from " << it->second;
    }
}
