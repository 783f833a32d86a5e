// SPDX-License-Identifier: MIT
#include "publish.h"

#include "orvo_uci.h"

#include "common/version.h"

#include <cstdio>
#include <cstring>

namespace defaults {

namespace {

const char kConfig[] = "orvo_uci_ro";
const char kSection[] = "orvo_version";
constexpr size_t kAssignmentSize = 258;

void build_assignment(char (&assignment)[kAssignmentSize], const char *option) {
    std::snprintf(assignment, sizeof assignment, "%s.%s.%s=%s", kConfig, kSection, option,
                  orvo::kSoftwareVersion);
}

} // namespace

void publish_version() {
    char version[kAssignmentSize];
    char inside_version[kAssignmentSize];
    std::memset(version, 0, sizeof version);
    std::memset(inside_version, 0, sizeof inside_version);
    build_assignment(version, "ORVO_SW_VERSION");
    build_assignment(inside_version, "ORVO_SW_INSIDE_VERSION");
    orvo_uci_set(version);
    orvo_uci_set(inside_version);
}

} // namespace defaults
