#!/usr/bin/env bash
# The sample host against the installed kit.
#   example_host.sh build SOURCE_DIR BUILD_DIR TOOLCHAIN_FILE
#     installs BUILD_DIR into BUILD_DIR/kit-example/prefix, checks the layout, and
#     builds examples/host against it with the same toolchain;
#   example_host.sh run BUILD_DIR
#     runs the built host under Wine (exit 77 where this machine cannot run it)
#     over the test network provider and checks what it prints.
set -euo pipefail
mode=$1
here=$(cd "$(dirname "$0")/../.." && pwd)

if [ "$mode" = build ]; then
    src=$2 build=$3 toolchain=$4
    work=$build/kit-example
    rm -rf "$work"
    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    for file in bin/KVX_32.dll bin/kvxctl.exe lib/libkvx32.dll.a lib/KVX_32.lib include/kvx32.h \
        lib/cmake/kvx32/kvx32Config.cmake lib/cmake/kvx32/kvx32ConfigVersion.cmake; do
        [ -f "$work/prefix/$file" ] || { echo "the kit lacks $file"; exit 1; }
    done
    cmake -S "$src/examples/host" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$work/build"
    [ -f "$work/build/kvx_host.exe" ] && [ -f "$work/build/KVX_32.dll" ] ||
        { echo "kvx_host.exe and KVX_32.dll are not side by side"; exit 1; }
    # The import library maps what the host calls to names the DLL exports.
    . "$here/tests/kit/pe_names.sh"
    unknown=$(comm -13 <(pe_exports "$work/prefix/bin/KVX_32.dll") \
        <(pe_imports "$work/build/kvx_host.exe" KVX_32.dll))
    imports=$(pe_imports "$work/build/kvx_host.exe" KVX_32.dll | wc -l)
    [ -z "$unknown" ] && [ "$imports" -gt 0 ] ||
        { echo "kvx_host.exe imports from KVX_32.dll names it does not export: $unknown"; exit 1; }
    echo "example host built against the kit in $work/prefix ($imports imports from KVX_32.dll)"
    exit 0
fi

build=$2
if [ -z "${KVX_WINE:-}" ] && ! "$here/scripts/wine32.sh" --route >/dev/null 2>&1; then
    echo "SKIPPED: this machine has no way to run 32-bit x86 code (see scripts/wine32.sh)."
    exit 77
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
"$here/scripts/wine-run.sh" "$build/kit-example/build/kvx_host.exe" "Kvx Network" SALES '\\PRN01' \
    2>&1 | tr -d '\r' >"$out" || status=$?
cat "$out"
[ "$status" = 0 ] || { echo "kvx_host exited $status"; exit 1; }
for expected in '^platform: code ' '^driver directory: .' '^local ports: .*LPT1:' \
    '^user: .*, computer: .' 'network  *Kvx Network' 'network  *Other Network' \
    'share  *\\\\PRN01\\Thermal' '^all requests answered$'; do
    grep -q -- "$expected" "$out" || { echo "kvx_host printed nothing matching '$expected'"; exit 1; }
done
echo "example host ok"
