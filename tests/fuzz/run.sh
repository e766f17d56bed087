#!/usr/bin/env bash
# Builds the libFuzzer target for the entry records with clang (AddressSanitizer
# and UBSan) in build/fuzz and runs it: run.sh [SECONDS, default 60].
# New inputs it finds go to build/fuzz/corpus; tests/fuzz/corpus is the seed.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKVX_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build/fuzz --target net_records_fuzz -j2
mkdir -p build/fuzz/corpus
build/fuzz/net_records_fuzz -max_total_time="$seconds" -max_len=4096 \
    build/fuzz/corpus tests/fuzz/corpus/net_records
