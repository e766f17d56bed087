#!/usr/bin/env bash
# The Browse Network dialog on Wine's real platform, played with the keyboard:
#   browse_network_check.sh BROWSE_DEMO_EXE [SCREENSHOT.png]
# In $WINEPREFIX, where prepare_prefix.sh has registered the test network
# provider serving tests/data/test_network.txt, it shows the dialog on a virtual
# display, expands a provider, a workgroup and a server, selects a printer share,
# collapses and expands the server again, optionally saves a picture of the dialog,
# and presses OK. The tree the dialog showed and the printer name it gave must be
# exactly as below: children sorted, with their images and expand buttons, each
# node fetched once (a second fetch would list the shares twice).
set -euo pipefail
demo=$(readlink -f "$1")
screenshot=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/wine-env.sh
. "$here/../../scripts/wine-env.sh"
kvx_wine_loader "$here/../.."
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
: "${WINEPREFIX:?set WINEPREFIX to the prefix of the checks}"

work=$(mktemp -d)
xvfb_pid='' demo_pid=''
cleanup() {
    [ -n "$demo_pid" ] && kill "$demo_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A virtual display on a free number.
Xvfb -displayfd 3 -screen 0 800x600x24 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
DISPLAY=:$(cat "$work/display")
export DISPLAY

# Wine's processes of an earlier program may still hold a desktop without a
# display: let them end, so that the dialog opens on this one. (A persistent
# server, as the 32-bit checks use, never ends; its programs open their windows
# on the display they are started with.)
[ -z "${KVX_WINE:-}" ] || timeout 30 wineserver -w 2>/dev/null || true
"$wine" "$demo" --dump "$("$wine" winepath -w "$work/tree.txt" | tr -d '\r')" \
    >"$work/out.raw" 2>&1 &
demo_pid=$!
window=$(timeout 120 xdotool search --sync --onlyvisible --name "^Browse Network$" | head -n1)
[ -n "$window" ] || { echo "the dialog did not show"; exit 1; }
xdotool windowfocus --sync "$window"

# The tree has the focus and its first provider is selected. The root items are
# the providers; below them the items are sorted by label.
keys() { xdotool key --delay 300 "$@"; sleep 0.5; }
keys Right                     # expand Kvx Network: BENCH, CORP, SALES
keys Down Down Down Right      # expand SALES
keys Down Down Down Down Right # expand \\PRN01
keys Down Down                 # select \\PRN01\Thermal: the printer field takes it
keys Left Left Right           # back to \\PRN01, collapse it, expand it again
keys Down Down                 # \\PRN01\Thermal again
[ -z "$screenshot" ] || import -window "$window" "$screenshot"
keys Return                    # OK

for _ in $(seq 300); do kill -0 "$demo_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$demo_pid" 2>/dev/null; then
    echo "the dialog did not end on OK"; exit 1
fi
wait "$demo_pid" || true
demo_pid=
# let Wine's own processes leave the display first
[ -z "${KVX_WINE:-}" ] || timeout 30 wineserver -w 2>/dev/null || true

fail=0
expected_tree='Kvx Network [6/7] + open
  BENCH [2/3] +
  CORP [2/3] +
  SALES [2/3] + open
    \\ODD [0/1] +
    \\ORPHAN [4/5] +
    \\PLAIN [0/1] +
    \\PRN01 [4/5] + open
      \\PRN01\Laser [6/7]
      \\PRN01\Thermal [6/7]
    \\PRN02 [4/5] +
    No Remote [4/5] +
Other Network [6/7] +'
expected_out='dialog OK
printer "\\PRN01\Thermal"'
tree=$(tr -d '\r' <"$work/tree.txt" 2>/dev/null || true)
out=$(tr -d '\r' <"$work/out.raw")
if [ "$tree" != "$expected_tree" ]; then
    echo "the tree differs (want / have):"; diff <(echo "$expected_tree") <(echo "$tree") || true
    fail=1
fi
if [ "$out" != "$expected_out" ]; then
    echo "the demo said (want / have):"; diff <(echo "$expected_out") <(echo "$out") || true
    fail=1
fi
[ $fail = 0 ] && echo "browse network dialog ok: tree filled node by node, printer \\\\PRN01\\Thermal chosen"
exit $fail
