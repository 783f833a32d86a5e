// SPDX-License-Identifier: MIT
// orvo-default: publishes the software version into the UCI store. Prints nothing; exit
// status 0.
#include "publish.h"

int main() {
    defaults::publish_version();
    return 0;
}
