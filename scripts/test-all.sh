#!/usr/bin/env bash
# Builds and runs every test: native, sanitized, and the product with its checks
# under Wine. Installs the Debian packages it lacks first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
for preset in native sanitize mingw wine64; do
    echo "=== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
