#!/usr/bin/env bash
# An MSVC-style host links KVX_32.lib: a host object built by clang for the MSVC
# target (as C89 and as C++), linked by lld-link, imports from KVX_32.dll exactly
# the names the DLL exports.
#   check_msvc_link.sh SOURCE_DIR DLL IMPORT_LIB WORK_DIR
set -euo pipefail
src=$1 dll=$2 implib=$3 work=$4
tool() { command -v "$1" || command -v "$1-14" || { echo "missing tool: $1" >&2; exit 1; }; }
clang=$(tool clang) lld_link=$(tool lld-link) dlltool=$(tool llvm-dlltool)
rm -rf "$work" && mkdir -p "$work"

. "$(dirname "$0")/pe_names.sh"

"$dlltool" -m i386 -k -d "$src/tests/kit/msvc_sdk/kernel32.def" -l "$work/kernel32.lib"
want=$(pe_exports "$dll")
[ "$(wc -l <<<"$want")" -eq 12 ] || { echo "the DLL's export table is unexpected:"; echo "$want"; exit 1; }
fail=0
for language in c c++; do
    std=-std=c89; [ $language = c ] || std=-std=c++17
    "$clang" --target=i686-pc-windows-msvc -x $language $std -pedantic -ffreestanding -nostdlibinc \
        -isystem "$src/tests/kit/msvc_sdk" -I"$src/include" -Wall -Wextra -Werror -O1 \
        -c "$src/tests/kit/msvc_link_host.c" -o "$work/host_$language.obj"
    "$lld_link" /nologo /machine:x86 /subsystem:console /entry:start /nodefaultlib \
        /out:"$work/host_$language.exe" "$work/host_$language.obj" "$implib" "$work/kernel32.lib"
    have=$(pe_imports "$work/host_$language.exe" KVX_32.dll)
    if [ "$have" != "$want" ]; then
        echo "$language host: imports from KVX_32.dll differ from its exports (want / have):"
        diff <(echo "$want") <(echo "$have") || true
        fail=1
    fi
done
[ $fail = 0 ] && echo "KVX_32.lib ok: C and C++ hosts import all $(wc -l <<<"$want") exports from KVX_32.dll by name"
exit $fail
