// orvo-default: publishes the software version into the UCI store, in the version section
// of the read-only config, under both version options. Prints nothing; exit status 0.
#include "orvo_uci.h"

#include <cstdio>
#include <cstring>

namespace {

// The same text the AT command plug-in reports as the software version.
const char kSwVersion[] = "R220-NYY-BASE2WLAN-K40Q07.AP.19.09_CAP.19.09";

const char kConfig[] = "orvo_uci_ro";
const char kSection[] = "orvo_version";
constexpr size_t kAssignmentSize = 258;

void build_assignment(char (&assignment)[kAssignmentSize], const char *option) {
    std::snprintf(assignment, sizeof assignment, "%s.%s.%s=%s", kConfig, kSection, option,
                  kSwVersion);
}

} // namespace

// A failing write is not reported: the second is made all the same.
int main() {
    char version[kAssignmentSize];
    char inside_version[kAssignmentSize];
    std::memset(version, 0, sizeof version);
    std::memset(inside_version, 0, sizeof inside_version);
    build_assignment(version, "ORVO_SW_VERSION");
    build_assignment(inside_version, "ORVO_SW_INSIDE_VERSION");
    orvo_uci_set(version);
    orvo_uci_set(inside_version);
    return 0;
}
