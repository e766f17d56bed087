#!/usr/bin/env bash
# Hosts link an import library of KVX_32.dll and import from it exactly names
# the DLL exports:
#   check_host_link.sh msvc SOURCE_DIR DLL KVX_32.lib WORK_DIR
#     host objects built by clang for the MSVC target, linked by lld-link;
#   check_host_link.sh mingw SOURCE_DIR DLL libkvx32.dll.a WORK_DIR
#     host objects built and linked by MinGW-w64 gcc.
# Two hosts, each as C89 and as C++: msvc_link_host.c calls every export through
# kvx32.h (the two driver exports with the C convention), stdcall_driver_host.c
# declares the driver exports __stdcall as the earlier header did.
set -euo pipefail
toolchain=$1 src=$2 dll=$3 implib=$4 work=$5
tool() { command -v "$1" || command -v "$1-14" || { echo "missing tool: $1" >&2; exit 1; }; }
rm -rf "$work" && mkdir -p "$work"

# shellcheck source=tests/kit/pe_names.sh
. "$(dirname "$0")/pe_names.sh"

case $toolchain in
msvc)
    clang=$(tool clang) lld_link=$(tool lld-link) dlltool=$(tool llvm-dlltool)
    "$dlltool" -m i386 -k -d "$src/tests/kit/msvc_sdk/kernel32.def" -l "$work/kernel32.lib"
    compile() { # LANGUAGE STD SOURCE OBJECT
        "$clang" --target=i686-pc-windows-msvc -x "$1" "$2" -pedantic -ffreestanding -nostdlibinc \
            -isystem "$src/tests/kit/msvc_sdk" -I"$src/include" -Wall -Wextra -Werror -O1 -c "$3" -o "$4"
    }
    link() { # OBJECT EXE
        "$lld_link" /nologo /machine:x86 /subsystem:console /entry:start /nodefaultlib \
            /out:"$2" "$1" "$implib" "$work/kernel32.lib"
    }
    ;;
mingw)
    gcc=$(tool i686-w64-mingw32-gcc)
    compile() {
        "$gcc" -x "$1" "$2" -ffreestanding -I"$src/include" -Wall -Wextra -Werror -O1 -c "$3" -o "$4"
    }
    link() {
        "$gcc" -nostdlib -Wl,-e,_start -o "$2" "$1" "$implib" -lkernel32
    }
    ;;
*)
    echo "unknown toolchain: $toolchain" >&2
    exit 2
    ;;
esac

want=$(pe_exports "$dll")
[ "$(wc -l <<<"$want")" -eq 12 ] || { echo "the DLL's export table is unexpected:"; echo "$want"; exit 1; }
drivers=$(grep ThermalPrinterDriver <<<"$want")
fail=0
# HOST NAME LANGUAGE EXPECTED_IMPORTS REFERENCED_SYMBOL
check() {
    local host=$1 name=$2 language=$3 expected=$4 symbol=$5 std=-std=c89
    [ "$language" = c ] || std=-std=c++17
    local object=$work/${name}_$language.obj exe=$work/${name}_$language.exe
    compile "$language" "$std" "$src/tests/kit/$host" "$object"
    # The object references the driver export by the convention's own name.
    if ! "$kvx_objdump" -t "$object" | grep -q "[[:space:]]_$symbol\$"; then
        echo "$name ($language): the object does not reference _$symbol"; fail=1; return
    fi
    link "$object" "$exe"
    local have
    have=$(pe_imports "$exe" KVX_32.dll)
    if [ "$have" != "$expected" ]; then
        echo "$name ($language): imports from KVX_32.dll differ (want / have):"
        diff <(echo "$expected") <(echo "$have") || true
        fail=1
    fi
}
for language in c c++; do
    check msvc_link_host.c kvx32_h "$language" "$want" InstallThermalPrinterDriver
    check stdcall_driver_host.c stdcall "$language" "$drivers" InstallThermalPrinterDriver@0
done
[ $fail = 0 ] && echo "$(basename "$implib") ok: hosts declaring the driver exports with the C" \
    "convention or __stdcall import only the DLL's exports, all $(wc -l <<<"$want") of them through kvx32.h"
exit $fail
