#!/usr/bin/env bash
# The DLL exports exactly the expected names under their ordinals, undecorated,
# with ordinal base 2 and no unnamed export: check_exports.sh DLL EXPECTED
set -euo pipefail
dll=$1 expected=$2
dump=$(i686-w64-mingw32-objdump -p "$dll")
fail=0
want=$(grep -v '^#' "$expected" | sort -n)
want_base=$(head -n1 <<<"$want" | cut -d' ' -f1)
base=$(sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\).*/\1/p' <<<"$dump")
[ "$base" = "$want_base" ] || { echo "ordinal base is '$base', want $want_base"; fail=1; }
# Name pointer rows read "[   6] Name", the index counted from the ordinal base.
names=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p')
actual=$(while read -r index name; do echo "$((index + base)) $name"; done <<<"$names" | sort -n)
if [ "$actual" != "$want" ]; then
    echo "export table differs (want / have):"; diff <(echo "$want") <(echo "$actual") || true; fail=1
fi
# Every exported address must have a name: address rows read
# "[   0] +base[   2] 3f80 Export RVA"; an unused slot has address 0.
entries=$(sed -n '/^Export Address Table -- Ordinal Base/,/^$/p' <<<"$dump" |
          grep -cE '\+base\[ *[0-9]+\] +0*[1-9a-fA-F][0-9a-fA-F]* ' || true)
named=$(grep -c . <<<"$actual")
if [ "$entries" != "$named" ]; then
    echo "$entries exported addresses but $named names: an export has no name"; fail=1
fi
[ $fail = 0 ] && echo "exports ok: $named named exports, ordinal base $base"
exit $fail
