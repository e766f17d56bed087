#!/usr/bin/env bash
# A short tour of kvxctl.exe with the real KVX_32.dll under Wine, in the build
# tree's private prefix: tour.sh BIN_DIR (the folder holding both).
set -euo pipefail
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(dirname "$bin")/wine/prefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=${KVX_WINE:-$here/wine32.sh}
out=$(mktemp)
trap 'rm -f "$out" "$out.raw"' EXIT
if [ -z "${KVX_WINE:-}" ] && ! "$here/wine32.sh" --route >/dev/null 2>&1; then
    echo "SKIPPED: this machine has no way to run 32-bit x86 code (see scripts/wine32.sh)."
    exit 77
fi
[ -f "$WINEPREFIX/system.reg" ] || "$here/../tests/wine/prepare_prefix.sh" "$WINEPREFIX"
# 32-bit programs share one persistent server and Wine's services (a no-op when the
# checks' prefix preparation has started them already).
[ -n "${KVX_WINE:-}" ] || "$here/wine32.sh" --server
# KVX_TOUR_RELEASE: the Windows release Wine reports to kvxctl.exe (default: the prefix's).
if [ -n "${KVX_TOUR_RELEASE:-}" ]; then
    "$wine" reg add 'HKCU\Software\Wine\AppDefaults\kvxctl.exe' /v Version /d "$KVX_TOUR_RELEASE" /f >/dev/null
fi

# kvxctl CMD... : runs it, shows it, and fails the tour on an unexpected exit code
# (EXPECT_EXIT, a list such as "0 3", overrides 0 for one call).
kvxctl() {
    local want=${EXPECT_EXIT:-0}
    echo "\$ kvxctl $*"
    set +e
    "$wine" "$bin/kvxctl.exe" "$@" >"$out.raw" 2>&1
    last_exit=$?
    set -e
    tr -d '\r' <"$out.raw" | tee "$out"
    if [[ " $want " != *" $last_exit "* ]]; then
        echo "tour: kvxctl $* exited $last_exit, expected $want" >&2; exit 1
    fi
    echo
}

kvxctl platform
kvxctl driver-dir
# Start clean: the driver may be left from an earlier run.
"$wine" "$bin/kvxctl.exe" remove-driver >/dev/null 2>&1 || true

EXPECT_EXIT="0 3" kvxctl install-driver
if [ "$last_exit" = 3 ]; then
    echo "# The tour places labelled placeholder files where the driver files belong."
    sed -n 's/^kvxctl: missing driver file //p' "$out" | while read -r path; do
        unix=$("$wine" winepath -u "$path" 2>/dev/null | tr -d '\r')
        echo "PLACEHOLDER created by the kvxctl tour - not a real driver file" >"$unix"
        echo "placed $path"
    done
    echo
    kvxctl install-driver
fi
kvxctl remove-driver
EXPECT_EXIT=1 kvxctl remove-driver
echo "# Wine's connect dialog hands back no printer, but the driver goes in first."
EXPECT_EXIT=1 kvxctl connect-dialog
grep -q 'sizing call  0 (KVX_DIALOG_NOTHING_CHOSEN)' "$out"
kvxctl remove-driver
echo "# browse-dialog needs someone to answer it: see scripts/browse_dialog_screenshot.sh."

echo "# A printer on LPT1: (installing it installs the driver again first)."
kvxctl install-printer LPT1:
# An earlier tour may have left the printer; its name on this release is then the NT 4 form.
printer=$(sed -n 's/^added printer "\(.*\)" on .*/\1/p' "$out")
kvxctl driver-name "${printer:-KVX_50 LPT1:}"
kvxctl ports
kvxctl whoami

# shows PATTERN: fails the tour unless the last command's output matches.
shows() {
    grep -q -- "$1" "$out" || { echo "tour: expected output matching '$1'" >&2; exit 1; }
}

echo "# The test network provider serves the network of tests/wine/test_network.txt."
WINE=$wine "$here/../tests/wine/netprovider/register.sh" "$WINEPREFIX" "$bin" \
    "$here/../tests/wine/test_network.txt"
echo
kvxctl browse
shows 'network  *Kvx Network'
kvxctl browse --provider "Kvx Network"
shows 'domain  *SALES'
kvxctl browse --provider "Kvx Network" SALES
shows 'server  *\\\\PRN01'
kvxctl browse --provider "Kvx Network" SALES '\\PRN01'
shows 'share  *\\\\PRN01\\Thermal'
kvxctl browse --raw --provider "Kvx Network" SALES '\\PRN01'
# Leave no Wine session of wine64 behind: a later program on a display must not
# join one that started without it. (The 32-bit route's server is persistent; its
# programs open their windows on the display they are started with.)
[ -z "${KVX_WINE:-}" ] || timeout 30 wineserver -w || true
echo "tour complete"
