#!/usr/bin/env bash
# A short tour of kvxctl.exe with the real KVX_32.dll under Wine, in the build
# tree's private prefix: tour.sh BIN_DIR (the folder holding both).
set -euo pipefail
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(dirname "$bin")/wine/prefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || "$here/../tests/wine/prepare_prefix.sh" "$WINEPREFIX"

# kvxctl CMD... : runs it, shows it, and fails the tour on an unexpected exit code
# (EXPECT_EXIT overrides 0 for one call).
kvxctl() {
    local want=${EXPECT_EXIT:-0} code=0
    echo "\$ kvxctl $*"
    wine "$bin/kvxctl.exe" "$@" 2>&1 | tr -d '\r' | tee /tmp/kvxctl.$$ || true
    code=${PIPESTATUS[0]}
    if [ "$code" != "$want" ]; then
        echo "tour: kvxctl $* exited $code, expected $want" >&2; exit 1
    fi
    echo
}

kvxctl platform
kvxctl driver-dir
# Start clean: the driver may be left from an earlier run.
EXPECT_EXIT=1 kvxctl remove-driver >/dev/null 2>&1 || wine "$bin/kvxctl.exe" remove-driver >/dev/null 2>&1 || true

EXPECT_EXIT=3 kvxctl install-driver
echo "# The tour places labelled placeholder files where the driver files belong."
sed -n 's/^kvxctl: missing driver file //p' /tmp/kvxctl.$$ | while read -r path; do
    unix=$(winepath -u "$path" 2>/dev/null)
    echo "PLACEHOLDER created by the kvxctl tour - not a real driver file" >"$unix"
    echo "placed $path"
done
echo
kvxctl install-driver
kvxctl remove-driver
EXPECT_EXIT=1 kvxctl remove-driver
echo "# Wine's connect dialog hands back no printer, but the driver goes in first."
EXPECT_EXIT=1 kvxctl connect-dialog
grep -q 'sizing call  0 (KVX_DIALOG_NOTHING_CHOSEN)' /tmp/kvxctl.$$
kvxctl remove-driver
echo "# browse-dialog needs someone to answer it: see scripts/browse_dialog_screenshot.sh."

echo "# A printer on LPT1: (installing it installs the driver again first)."
kvxctl install-printer LPT1:
# An earlier tour may have left the printer; its name on this release is then the NT 4 form.
printer=$(sed -n 's/^added printer "\(.*\)" on .*/\1/p' /tmp/kvxctl.$$)
kvxctl driver-name "${printer:-KVX_50 LPT1:}"
kvxctl ports
kvxctl whoami
rm -f /tmp/kvxctl.$$
echo "tour complete"
