#!/usr/bin/env bash
# Every shell script of the project, the virtual machine's guest programs and the
# sourced helpers included, passes shellcheck at the warning level (sourced
# files followed from the project's root, as the scripts' directives name them).
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v shellcheck >/dev/null || { echo "SKIPPED: shellcheck is not installed"; exit 77; }
mapfile -t scripts < <(find scripts tests tools examples -name '*.sh' -not -path '*/build/*' | sort)
[ "${#scripts[@]}" -gt 20 ] || { echo "found only ${#scripts[@]} scripts"; exit 1; }
shellcheck -x -S warning "${scripts[@]}"
echo "${#scripts[@]} scripts checked"
