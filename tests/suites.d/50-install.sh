# SPDX-License-Identifier: MIT
# Staged installs of the normal and the ARM build: layout by component, and applications
# (a fixture's consumer, examples/wakelock-ipc) built against the staged trees alone.
SUITE_NEEDS="10-normal 20-arm"
suite_test() { bash "$SRC/tests/install/install_test.sh" "$SRC" "$SRC/build" "$SRC/build-arm"; }
