#!/usr/bin/env bash
# The DLL imports exactly what the allowlist names: check_imports.sh DLL ALLOWLIST
# The allowlist has one import a line, "DLL function", optionally followed by the
# one architecture (i686, x86_64) the line is for; '#' starts a comment. Fails on
# an import not listed (a C runtime DLL, a function the platform lacks), on a
# listed function no longer imported and on a listed DLL no longer imported.
set -euo pipefail
dll=$1 allow=$2
. "$(dirname "$0")/../kit/pe_names.sh"
case $("$kvx_objdump" -p "$dll" | sed -n 's/.*file format //p' | head -n1) in
coff-i386) arch=i686 ;;
coff-x86-64) arch=x86_64 ;;
*) echo "not a PE file of a known machine: $dll"; exit 1 ;;
esac
have=$(pe_import_table "$dll")
want=$(sed 's/#.*//' "$allow" | awk -v arch="$arch" -v file="$allow" '
    NF == 0 { next }
    NF > 3 || NF < 2 || (NF == 3 && $3 != "i686" && $3 != "x86_64") {
        print file ": want DLL function [architecture]: " $0 > "/dev/stderr"; bad = 1; next }
    NF == 2 || $3 == arch { print toupper($1), $2 } END { exit bad }' | sort)
[ -n "$have" ] || { echo "no imports read from $dll"; exit 1; }
fail=0
while read -r line; do
    [ -z "$line" ] || { echo "import not on the allowlist: $line"; fail=1; }
done < <(comm -13 <(echo "$want") <(echo "$have"))
while read -r line; do
    [ -z "$line" ] || { echo "listed but no longer imported: $line"; fail=1; }
done < <(comm -23 <(echo "$want") <(echo "$have"))
while read -r line; do
    [ -z "$line" ] || { echo "listed DLL no longer imported: $line"; fail=1; }
done < <(comm -23 <(cut -d' ' -f1 <<<"$want" | sort -u) <(cut -d' ' -f1 <<<"$have" | sort -u))
[ $fail = 0 ] && echo "imports ok ($arch): $(wc -l <<<"$have") functions from" \
    "$(cut -d' ' -f1 <<<"$have" | sort -u | paste -sd' ')"
exit $fail
