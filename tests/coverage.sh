#!/usr/bin/env bash
# Line, function and branch coverage of src/ by the native tests: builds the
# `coverage` preset (GCC's --coverage), runs its tests from fresh counters and
# reports with gcovr. Runs by hand (too slow for every build):
#   tests/coverage.sh            # the summary, the least covered files, the reports
#   tests/coverage.sh --fail-under-line 99 --fail-under-branch 95
# Reports under build/coverage/report/: index.html (each file line by line),
# uncovered.txt (every line and branch no test reaches, with its source),
# lines.txt and branches.txt (per file), summary.json.
#
# The preset builds without exceptions, as the product is built, so a call is no
# branch; gcovr also leaves out any exception branch and the branches gcov marks
# unreachable. The sources the native build does not compile (src/runtime/, the
# DLL's entry) are not counted.
set -euo pipefail

usage() {
    echo "usage: $0 [--fail-under-line PERCENT] [--fail-under-branch PERCENT] [--least N]" >&2
    exit 2
}

fail_under=()
least=10
while [ $# -gt 0 ]; do
    case "$1" in
    --fail-under-line | --fail-under-branch)
        [ $# -ge 2 ] || usage
        fail_under+=("$1" "$2")
        shift 2
        ;;
    --least)
        [ $# -ge 2 ] || usage
        least=$2
        shift 2
        ;;
    *) usage ;;
    esac
done

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v gcovr >/dev/null || scripts/install-deps.sh

build=build/coverage
report=$build/report
cmake --preset coverage >/dev/null
cmake --build --preset coverage
# Counters add up across runs: start from none, so the figures are this run's.
find "$build" -name '*.gcda' -delete
rm -rf "$report"
mkdir -p "$report"
tests_status=0
ctest --preset coverage || tests_status=$?

# One pass of gcov over the build; every report below reads its result.
gcovr_filters=(--root "$root" --filter src/ --exclude-unreachable-branches --exclude-throw-branches)
gcovr "${gcovr_filters[@]}" --json "$report/coverage.json" "$build"
from_json=(--root "$root" --add-tracefile "$report/coverage.json")
gcovr "${from_json[@]}" --html-details "$report/index.html" --html-title "src/ by the native tests"
gcovr "${from_json[@]}" --sort-percentage --txt "$report/lines.txt"
gcovr "${from_json[@]}" --sort-percentage --branches --txt "$report/branches.txt"
gcovr "${from_json[@]}" --json-summary-pretty --json-summary "$report/summary.json"

python3 tests/coverage_summary.py "$report" "$root" "$least"
echo "reports: $report/index.html, $report/uncovered.txt, $report/lines.txt, $report/branches.txt"
if [ "$tests_status" -ne 0 ]; then
    echo "some native tests failed: the figures above are of a failing suite" >&2
    exit "$tests_status"
fi
if [ ${#fail_under[@]} -gt 0 ]; then
    gcovr "${from_json[@]}" "${fail_under[@]}" >/dev/null
fi
