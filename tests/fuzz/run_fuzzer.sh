#!/usr/bin/env bash
# Runs the libFuzzer build of a fuzz target for a few seconds, starting from the
# committed corpus (which it does not change): run_fuzzer.sh FUZZER CORPUS SECONDS.
# An input may take seconds: a network whose containers list themselves makes
# one fetch open a thousand containers and insert thousands of tree items.
set -euo pipefail
fuzzer=$1 corpus=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$fuzzer" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work" "$corpus"
