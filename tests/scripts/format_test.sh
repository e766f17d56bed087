#!/usr/bin/env bash
# Every C and C++ file the project tracks is in its clang-format style (.clang-format).
set -euo pipefail
cd "$(dirname "$0")/../.."
formatter=$(command -v clang-format || command -v clang-format-14) ||
    { echo "clang-format is not installed (scripts/install-deps.sh installs it)"; exit 1; }
mapfile -t sources < <(git ls-files '*.c' '*.cpp' '*.h')
[ "${#sources[@]}" -gt 100 ] || { echo "found only ${#sources[@]} sources"; exit 1; }
"$formatter" --dry-run --Werror "${sources[@]}"
echo "${#sources[@]} C and C++ files in the project's format"
