#!/usr/bin/env bash
# Longer local run of one fuzz target: run.sh TARGET [SECONDS, default 600].
# TARGET is a name of tests/fuzz/CMakeLists.txt (get_ports_select, net_records,
# browse_network, host_exports). Builds the libFuzzer targets of the sanitize
# preset and runs TARGET from its committed corpus; new inputs go to
# build/fuzz/corpus/TARGET, crashes to build/fuzz/artifacts/TARGET.
# To fold the new inputs into the committed corpus, minimized:
#   mkdir new && build/sanitize/tests/fuzz/libfuzzer/TARGET_fuzz -merge=1 new \
#       tests/fuzz/corpus/TARGET build/fuzz/corpus/TARGET
# then replace tests/fuzz/corpus/TARGET with new.
set -euo pipefail
cd "$(dirname "$0")/../.."
target=${1:?usage: run.sh TARGET [SECONDS]}
seconds=${2:-600}
[ -d "tests/fuzz/corpus/$target" ] || { echo "no fuzz target $target" >&2; exit 2; }
[ -f build/sanitize/CMakeCache.txt ] || cmake --preset sanitize >/dev/null
cmake --build --preset sanitize --target kvx_libfuzzer >/dev/null
mkdir -p "build/fuzz/corpus/$target" "build/fuzz/artifacts/$target"
exec "build/sanitize/tests/fuzz/libfuzzer/${target}_fuzz" -max_total_time="$seconds" \
    -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="build/fuzz/artifacts/$target/" \
    "build/fuzz/corpus/$target" "tests/fuzz/corpus/$target"
