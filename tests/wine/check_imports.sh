#!/usr/bin/env bash
# The DLL imports exactly what the allowlist names: check_imports.sh DLL ALLOWLIST
# The allowlist has one function a line, "DLL function", optionally followed by
# the one architecture (i686, x86_64) the line is for, under a section line:
# [import] for what the import table names, [lookup] for what the DLL finds at
# run time instead; '#' starts a comment. Fails on an import not listed under
# [import] (a C runtime DLL, a function the platform lacks), on a listed import
# or DLL no longer imported, on a looked-up function the import table names, or
# whose name the DLL no longer holds, and on one in a DLL the DLL neither imports
# from (its module is loaded already) nor loads itself (LoadLibraryA imported,
# the DLL's name held in the DLL).
set -euo pipefail
dll=$1 allow=$2
# shellcheck source=tests/kit/pe_names.sh
. "$(dirname "$0")/../kit/pe_names.sh"
case $("$kvx_objdump" -p "$dll" | sed -n 's/.*file format //p' | head -n1) in
coff-i386) arch=i686 ;;
coff-x86-64) arch=x86_64 ;;
*) echo "not a PE file of a known machine: $dll"; exit 1 ;;
esac
have=$(pe_import_table "$dll")
# "section DLL function" for each line of this architecture.
listed=$(sed 's/#.*//' "$allow" | awk -v arch="$arch" -v file="$allow" '
    NF == 1 && ($1 == "[import]" || $1 == "[lookup]") { section = substr($1, 2, 6); next }
    NF == 0 { next }
    section == "" { print file ": a line before [import] or [lookup]: " $0 > "/dev/stderr"; bad = 1; next }
    NF > 3 || NF < 2 || (NF == 3 && $3 != "i686" && $3 != "x86_64") {
        print file ": want DLL function [architecture]: " $0 > "/dev/stderr"; bad = 1; next }
    NF == 2 || $3 == arch { print section, toupper($1), $2 } END { exit bad }')
want=$(awk '$1 == "import" { print $2, $3 }' <<<"$listed" | sort)
lookup=$(awk '$1 == "lookup" { print $2, $3 }' <<<"$listed" | sort)
[ -n "$have" ] || { echo "no imports read from $dll"; exit 1; }
fail=0
report() { # report MESSAGE < lines
    while read -r line; do
        [ -z "$line" ] || { echo "$1: $line"; fail=1; }
    done
}
report "import not on the allowlist" < <(comm -13 <(echo "$want") <(echo "$have"))
report "listed but no longer imported" < <(comm -23 <(echo "$want") <(echo "$have"))
report "listed DLL no longer imported" < <(comm -23 <(cut -d' ' -f1 <<<"$want" | sort -u) \
    <(cut -d' ' -f1 <<<"$have" | sort -u))
report "looked up but imported" < <(comm -12 <(echo "$lookup") <(echo "$have"))
loads=$(grep -qx 'KERNEL32.DLL LoadLibraryA' <<<"$have" && echo yes || true)
while read -r module; do
    [ -n "$loads" ] && grep -qaiF -- "$module" "$dll" ||
        { echo "looked up in a DLL neither imported nor loaded by name: $module"; fail=1; }
done < <(comm -23 <(cut -d' ' -f1 <<<"$lookup" | sort -u) <(cut -d' ' -f1 <<<"$have" | sort -u))
while read -r module function; do
    [ -z "$function" ] || grep -qaF -- "$function" "$dll" ||
        { echo "looked up but not named in the DLL: $module $function"; fail=1; }
done <<<"$lookup"
[ $fail = 0 ] && echo "imports ok ($arch): $(wc -l <<<"$have") functions from" \
    "$(cut -d' ' -f1 <<<"$have" | sort -u | paste -sd' ');" \
    "looked up: $(grep -c . <<<"$lookup" || true)"
exit $fail
