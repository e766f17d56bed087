#!/usr/bin/env bash
# A short tour of kvxctl.exe with the real KVX_32.dll under Wine, in the build
# tree's private prefix: tour.sh BIN_DIR (the folder holding both).
set -euo pipefail
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(dirname "$bin")/wine/prefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=${KVX_WINE:-wine}
out=$(mktemp)
trap 'rm -f "$out" "$out.raw"' EXIT
if [ "$wine" = wine ] && ! "$here/can-run-32bit.sh"; then
    echo "SKIPPED: this machine cannot execute 32-bit x86 code, so Wine cannot run kvxctl.exe."
    exit 77
fi
[ -f "$WINEPREFIX/system.reg" ] || "$here/../tests/wine/prepare_prefix.sh" "$WINEPREFIX"

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
echo "tour complete"
