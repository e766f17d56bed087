#!/usr/bin/env bash
# Runs the native test suite under valgrind memcheck (the `native` preset's build):
# an invalid access, a use of uninitialised memory or a leak fails the test.
# The tour's kvxctl runs are checked the same way through KVX_TOUR_WRAPPER.
set -euo pipefail
cd "$(dirname "$0")/.."
options="--leak-check=full --errors-for-leak-kinds=definite,indirect,possible --error-exitcode=86"
export KVX_TOUR_WRAPPER="valgrind -q $options"
# The virtual machine's checks (label vm) run no library code.
ctest --test-dir build/native -T memcheck -j2 --output-on-failure -LE '^vm$' "$@"
