#!/usr/bin/env bash
# The sample host against the installed kit.
#   example_host.sh build SOURCE_DIR BUILD_DIR TOOLCHAIN_FILE ARCH [OTHER_BUILD_DIR]
#     installs BUILD_DIR (architecture ARCH, x86 or x64) into
#     BUILD_DIR/kit-example/prefix, and beside it the other architecture's build
#     tree when OTHER_BUILD_DIR holds one; checks the layout, and builds
#     examples/host against the prefix with the same toolchain: find_package must
#     pick ARCH's DLL and import library;
#   example_host.sh run BUILD_DIR
#     runs the built host under Wine (exit 77 where this machine cannot run it)
#     over the test network provider and checks what it prints; then the kit's
#     kvxctl.exe and KVX_32.dll add a printer from placeholder driver files, under
#     the environment the build's processes are served from ("Windows x64" for
#     the 64-bit build on the prefix's Windows NT release).
set -euo pipefail
mode=$1
here=$(cd "$(dirname "$0")/../.." && pwd)

# kit_layout PREFIX ARCH: the files an architecture's part of the kit holds.
kit_layout() {
    for file in bin/$2/KVX_32.dll bin/$2/kvxctl.exe lib/$2/libkvx32.dll.a lib/$2/KVX_32.lib \
        include/kvx32.h lib/cmake/kvx32/kvx32Config.cmake lib/cmake/kvx32/kvx32ConfigVersion.cmake; do
        [ -f "$1/$file" ] || { echo "the kit lacks $file"; exit 1; }
    done
}
# pe_machine FILE: x86 or x64, from the PE header.
pe_machine() {
    case $("$kvx_objdump" -f "$1" | sed -n 's/.*file format //p') in
    coff-i386 | pei-i386) echo x86 ;;
    coff-x86-64 | pei-x86-64) echo x64 ;;
    *) echo unknown ;;
    esac
}

# build_host PREFIX WORK TOOLCHAIN ARCH: builds examples/host in WORK against the kit
# in PREFIX; find_package must pick ARCH's DLL and import library.
build_host() {
    local prefix=$1 work=$2 toolchain=$3 arch=$4 file unknown imports
    cmake -S "$src/examples/host" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$work"
    [ -f "$work/kvx_host.exe" ] && [ -f "$work/KVX_32.dll" ] ||
        { echo "kvx_host.exe and KVX_32.dll are not side by side"; exit 1; }
    for file in kvx_host.exe KVX_32.dll; do
        [ "$(pe_machine "$work/$file")" = "$arch" ] ||
            { echo "$file beside the $arch host is $(pe_machine "$work/$file")"; exit 1; }
    done
    cmp -s "$work/KVX_32.dll" "$prefix/bin/$arch/KVX_32.dll" ||
        { echo "the $arch host got another KVX_32.dll than bin/$arch/KVX_32.dll"; exit 1; }
    # The import library maps what the host calls to names the DLL exports.
    unknown=$(comm -13 <(pe_exports "$prefix/bin/$arch/KVX_32.dll") \
        <(pe_imports "$work/kvx_host.exe" KVX_32.dll))
    imports=$(pe_imports "$work/kvx_host.exe" KVX_32.dll | wc -l)
    [ -z "$unknown" ] && [ "$imports" -gt 0 ] ||
        { echo "kvx_host.exe imports from KVX_32.dll names it does not export: $unknown"; exit 1; }
    echo "example host ($arch) built against the kit in $prefix ($imports imports from KVX_32.dll)"
}

if [ "$mode" = build ]; then
    src=$2 build=$3 toolchain=$4 arch=$5 other=${6:-} other_toolchain=${7:-}
    work=$build/kit-example
    rm -rf "$work"
    . "$here/tests/kit/pe_names.sh"
    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    kit_layout "$work/prefix" "$arch"
    [ "$(pe_machine "$work/prefix/bin/$arch/KVX_32.dll")" = "$arch" ] ||
        { echo "bin/$arch/KVX_32.dll is not an $arch DLL"; exit 1; }
    if [ -n "$other" ] && [ ! -f "$other/cmake_install.cmake" ]; then
        echo "no build tree in $other: the kit's other architecture is not checked"
        [ "${CI:-}" != true ] || exit 1
        other=
    fi
    if [ -n "$other" ]; then
        # The other architecture's build tree into the same prefix: each host
        # still finds its own DLL.
        other_arch=$([ "$arch" = x86 ] && echo x64 || echo x86)
        cmake --install "$other" --prefix "$work/prefix" >/dev/null
        kit_layout "$work/prefix" "$other_arch"
        [ "$(pe_machine "$work/prefix/bin/$other_arch/KVX_32.dll")" = "$other_arch" ] ||
            { echo "bin/$other_arch/KVX_32.dll is not an $other_arch DLL"; exit 1; }
        build_host "$work/prefix" "$work/build-$other_arch" "$other_toolchain" "$other_arch"
    fi
    build_host "$work/prefix" "$work/build" "$toolchain" "$arch"
    exit 0
fi

build=$2
# shellcheck source=scripts/wine-env.sh
. "$here/scripts/wine-env.sh"
kvx_wine_loader "$here"
out=$(mktemp) files=$(mktemp -d)
trap 'rm -f "$out"; rm -rf "$files"' EXIT
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

. "$here/tests/kit/pe_names.sh"
arch=$(pe_machine "$build/kit-example/build/kvx_host.exe")
kit_kvxctl=$build/kit-example/prefix/bin/$arch/kvxctl.exe
wine_run() { "$here/scripts/wine-run.sh" "$@" | tr -d '\r'; }
# remove_printer: no printer or driver of ours left from an earlier check.
remove_printer() {
    for printer in "KVX_50 LPT1:" "KVX LPT1:"; do
        wine_run reg delete "HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers\\$printer" /f >/dev/null || true
    done
    wine_run "$kit_kvxctl" remove-driver >/dev/null || true
}
wine_run "$kit_kvxctl" --json status >"$out" || true
for name in $(python3 -c 'import json, sys; print(" ".join(f["name"] for f in json.load(open(sys.argv[1]))["files"]))' "$out"); do
    echo "PLACEHOLDER written by the kit check - not a real driver file" >"$files/$name"
done
remove_printer
wine_run "$kit_kvxctl" install-printer LPT1: --force --from "$(wine_run winepath -w "$files")" | tee "$out" || true
grep -q '^added printer ' "$out" || { echo "the kit's kvxctl.exe ($arch) added no printer"; exit 1; }
wine_run "$kit_kvxctl" --json status >"$out" || true
python3 -c 'import json, sys
d = json.load(open(sys.argv[1]))
driver, nt = d["driver"], d["platform"]["platform_code"] in (4, 8)
sys.exit(0 if d["ready"] and driver["environment"] in driver["registered_under"] and
         (sys.argv[2] != "x64" or not nt or driver["environment"] == "Windows x64") else 1)' "$out" "$arch" ||
    { echo "the kit's kvxctl.exe ($arch) reports the machine not ready:"; cat "$out"; exit 1; }
remove_printer
echo "the kit's kvxctl.exe ($arch) added a printer under \"$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["driver"]["environment"])' "$out")\""
