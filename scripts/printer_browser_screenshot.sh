#!/usr/bin/env bash
# Opens the shell printer browser through kvxctl.exe and the real KVX_32.dll
# under Wine, saves a screenshot of the dialog, then cancels it with Escape, for
# which kvxctl must report that nothing was chosen. Needs a display (run it
# through tests/wine/on_display.sh for a virtual one):
#   printer_browser_screenshot.sh BIN_DIR [PNG]   (default docs/printer_browser.png)
set -euo pipefail
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
out=${2:-$here/docs/printer_browser.png}
# shellcheck source=scripts/wine-env.sh
. "$here/scripts/wine-env.sh"
kvx_wine_prefix "$(dirname "$bin")/wine/prefix"
kvx_wine_loader "$here"
[ -f "$WINEPREFIX/system.reg" ] || "$here/tests/wine/prepare_prefix.sh" "$WINEPREFIX"

log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$wine" "$bin/kvxctl.exe" browse-dialog --title "Pick a label printer" >"$log" 2>&1 &
run=$!
if ! window=$(timeout 60 xdotool search --sync --name "Browse for Folder" | head -n1); then
    echo "screenshot: the printer browser did not open" >&2
    kill "$run" 2>/dev/null || true
    exit 1
fi
sleep 1 # let the tree fill in
import -window "$window" "$out"
xdotool key --window "$window" Escape
code=0
wait "$run" || code=$?
tr -d '\r' <"$log"
if [ "$code" != 8 ] || ! grep -q 'sizing call  0 (KVX_DIALOG_NOTHING_CHOSEN)' "$log"; then
    echo "screenshot: cancelling should answer 0 and exit 8, nothing chosen (exit $code)" >&2
    exit 1
fi
echo "saved $out"
