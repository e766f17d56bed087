#!/usr/bin/env bash
# Runs the native test suite under valgrind memcheck (the `native` preset's build):
# an invalid access, a use of uninitialised memory or a leak fails the test.
# The tour's kvxctl runs are checked the same way through KVX_TOUR_WRAPPER.
set -euo pipefail
cd "$(dirname "$0")/.."
# The options are CMakeLists.txt's (MEMORYCHECK_COMMAND_OPTIONS), as the build recorded them.
options=$(sed -n "s/^MemoryCheckCommandOptions: //p" build/native/DartConfiguration.tcl 2>/dev/null || true)
[ -n "$options" ] || { echo "memcheck.sh: configure the native preset first" >&2; exit 2; }
export KVX_TOUR_WRAPPER="valgrind -q $options"
# The virtual machine's checks (label vm) run no library code.
ctest --test-dir build/native -T memcheck -j2 --output-on-failure -LE '^vm$' "$@"
