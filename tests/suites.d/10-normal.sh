# The normal build, as the module runs it.
run_suite normal "$SRC/build"
