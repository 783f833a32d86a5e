# SPDX-License-Identifier: MIT
# The normal build, as the module runs it.
suite_build() { build_tree "$SRC/build"; }
suite_test() { test_tree normal "$SRC/build"; }
