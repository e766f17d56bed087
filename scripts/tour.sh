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

# shows PATTERN: fails the tour unless the last command's output matches.
shows() {
    grep -q -- "$1" "$out" || { echo "tour: expected output matching '$1'" >&2; exit 1; }
}

# kvxctl_json CMD...: runs it with --json and fails the tour unless standard output is
# one JSON document (python3's parser reads it); leaves the document in $out.
kvxctl_json() {
    echo "\$ kvxctl --json $*"
    set +e
    "$wine" "$bin/kvxctl.exe" --json "$@" 2>/dev/null | tr -d '\r' >"$out"
    set -e
    python3 -m json.tool "$out" >/dev/null || { echo "tour: kvxctl --json $* wrote no JSON document" >&2; cat "$out"; exit 1; }
    cat "$out"
    echo
}
# refused EXIT-CODE PATTERN CMD...: runs it with --json; fails the tour unless it exits
# so, writes nothing on standard output and one message matching PATTERN on standard
# error (one line that begins "kvxctl:", any further ones indented under it).
refused() {
    local want=$1 pattern=$2; shift 2
    echo "\$ kvxctl --json $*"
    set +e
    "$wine" "$bin/kvxctl.exe" --json "$@" >"$out.raw" 2>"$out"
    last_exit=$?
    set -e
    sed -i 's/\r$//' "$out"
    cat "$out"
    [ "$last_exit" = "$want" ] && [ ! -s "$out.raw" ] && [ "$(grep -c '^kvxctl:' "$out")" = 1 ] &&
        grep -q -- "$pattern" "$out" ||
        { echo "tour: kvxctl --json $* exited $last_exit (expected $want, no output, one message '$pattern')" >&2; exit 1; }
    echo
}
# json_holds CONDITION: the last JSON document, as `d`, meets the python condition.
json_holds() {
    python3 -c 'import json, sys
d = json.load(open(sys.argv[2]))
sys.exit(0 if eval(sys.argv[1]) else 1)' "$1" "$out" || { echo "tour: expected $1" >&2; exit 1; }
}

kvxctl platform
kvxctl driver-dir
# Start clean: an earlier run may have left the printer, the driver and its files.
for printer in "KVX_50 LPT1:" "KVX LPT1:"; do
    "$wine" reg delete "HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers\\$printer" /f >/dev/null 2>&1 || true
done
"$wine" "$bin/kvxctl.exe" remove-driver >/dev/null 2>&1 || true
# driver_files FIELD: that field ("name", "path") of each driver file kvxctl status lists.
driver_files() {
    "$wine" "$bin/kvxctl.exe" --json status 2>/dev/null | tr -d '\r' >"$out" || true
    python3 -c 'import json, sys; print("\n".join(f[sys.argv[2]] for f in json.load(open(sys.argv[1]))["files"]))' "$out" "$1"
}
# remove_driver_files: deletes the platform's driver files from the driver directory.
remove_driver_files() {
    driver_files path | while read -r path; do rm -f "$("$wine" winepath -u "$path" 2>/dev/null | tr -d '\r')"; done
}
remove_driver_files

echo "# Not ready: the driver files are missing, nothing is registered."
EXPECT_EXIT=3 kvxctl status
shows 'NOT READY'
EXPECT_EXIT=3 kvxctl install-driver
[ "$(grep -c 'missing driver file' "$out")" = "$(sort -u "$out" | grep -c 'missing driver file')" ] ||
    { echo "tour: a missing file was named twice" >&2; exit 1; }

echo "# The tour's folder of labelled placeholder files where the driver files would come from."
files=$(mktemp -d)
trap 'rm -f "$out" "$out.raw"; rm -rf "$files"' EXIT
mkdir "$files/Driver files" "$files/with a folder"
for name in $(driver_files name); do
    echo "PLACEHOLDER created by the kvxctl tour - not a real driver file" >"$files/Driver files/$name"
    mkdir "$files/with a folder/$name"
done
from=$("$wine" winepath -w "$files/Driver files" | tr -d '\r')
EXPECT_EXIT=7 kvxctl install-driver --from "$from\\none here"
shows 'does not exist'
EXPECT_EXIT=7 kvxctl install-driver --from "$("$wine" winepath -w "$files/with a folder" | tr -d '\r')"
shows 'is a folder, not a driver file'
EXPECT_EXIT=1 kvxctl install-printer "$(printf 'P%.0s' {1..600})" --from "$from"
shows 'at most 504 characters'
EXPECT_EXIT=3 kvxctl status

kvxctl install-driver --from "$from"
shows '^copied '
kvxctl --from "$from" install-driver
shows '^unchanged '
kvxctl remove-driver
EXPECT_EXIT=1 kvxctl remove-driver
echo "# Wine's connect dialog hands back no printer, but the driver goes in first."
EXPECT_EXIT=1 kvxctl connect-dialog
grep -q 'sizing call  0 (KVX_DIALOG_NOTHING_CHOSEN)' "$out"
kvxctl remove-driver
echo "# browse-dialog needs someone to answer it: see scripts/browse_dialog_screenshot.sh."

echo "# Back to a machine without the driver files: install-printer --from places them."
remove_driver_files
EXPECT_EXIT=3 kvxctl status
echo "# A printer on LPT1: (installing it installs the driver again first)."
kvxctl install-printer LPT1: --from "$from"
shows '^copied '
printer=$(sed -n 's/^added printer "\(.*\)" on .*/\1/p' "$out")
kvxctl status
shows '^ready$'
kvxctl driver-name "${printer:-KVX_50 LPT1:}"
kvxctl ports
kvxctl whoami

echo "# Each command's --json output is one JSON document."
kvxctl_json status
json_holds 'd["ready"] and d["exit_code"] == 0 and all(f["present"] for f in d["files"]) and d["printers"]'
json_holds 'd["driver"]["environment"] in d["driver"]["registered_under"]'
if [ -n "${KVX_WINE:-}" ]; then
    # The 64-bit build on Windows NT: the driver is served from "Windows x64".
    json_holds 'd["platform"]["platform_code"] not in (4, 8) or (d["driver"]["environment"] == "Windows x64" and d["driver_directory"].lower().endswith("\\x64"))'
fi
kvxctl_json platform
json_holds 'd["platform_code"] in (2, 4, 8, 16)'
kvxctl_json driver-dir
kvxctl_json ports
json_holds '"LPT1:" in d["ports"]'
kvxctl_json whoami
kvxctl_json driver-name "${printer:-KVX_50 LPT1:}"
json_holds 'd["driver_data_name"] in ("KVX", "KVX_50")'
kvxctl_json install-driver --from "$from"
json_holds 'd["installed"] and all(f["action"] == "unchanged" for f in d["files"])'

echo "# The way back. Wine's spooler removes a driver that a printer still uses, so"
echo "# kvxctl lists the printers of the driver first, names them and refuses."
refused 1 "printer \"${printer:-KVX_50 LPT1:}\" on LPT1: still uses the driver" remove-driver
shows 'so kvxctl did not ask the spooler'
refused 1 'no printer is named "Nobody"' remove-printer Nobody
refused 1 'an empty name names no printer' remove-printer ''
refused 1 '(600 characters)' remove-printer "$(printf 'P%.0s' {1..600})"
EXPECT_EXIT=0 kvxctl status
shows '^ready$'
echo "# A driver file that cannot be removed (read-only) stops uninstall --files once the"
echo "# printer and the driver are gone; it names what is still in place, and a second run"
echo "# finishes the job."
locked=$("$wine" winepath -u "$(driver_files path | head -n 1)" 2>/dev/null | tr -d '\r')
chmod a-w "$locked"
EXPECT_EXIT=7 kvxctl uninstall --files
chmod u+w "$locked"
shows "^removed printer \"${printer:-KVX_50 LPT1:}\""
shows '^removed the driver'
shows 'ERROR_ACCESS_DENIED'
shows 'still in place: '
kvxctl uninstall --files
shows '^removed C:'
echo "# As on a bare machine."
EXPECT_EXIT=3 kvxctl status
shows 'NOT REGISTERED'
shows 'none uses the driver'
kvxctl uninstall --files
shows '^nothing to remove'
kvxctl_json uninstall --files
json_holds 'd["nothing_to_remove"] and not d["driver_removed"] and all(f["action"] == "absent" for f in d["files"])'
echo "# Set up again. remove-driver --force asks the spooler all the same: Wine's removes"
echo "# the driver, and kvxctl names the printer left without it; uninstall then removes"
echo "# the printer and the files."
kvxctl install-printer LPT1: --from "$from"
EXPECT_EXIT="0 1" kvxctl remove-driver --force
if [ "$last_exit" = 0 ]; then
    shows 'still names it: the spooler removed the driver all the same'
else
    shows 'ERROR_PRINTER_DRIVER_IN_USE'
fi
kvxctl_json uninstall --files
json_holds 'len(d["printers"]) == 1 and all(f["action"] == "removed" for f in d["files"])'
EXPECT_EXIT=3 kvxctl status
shows 'none uses the driver'

echo "# The test network provider serves the network of tests/data/test_network.txt."
WINE=$wine "$here/../tests/netprovider/register.sh" "$WINEPREFIX" "$bin" \
    "$here/../tests/data/test_network.txt"
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
kvxctl_json browse --provider "Kvx Network" SALES '\\PRN01'
json_holds '"\\\\PRN01\\Thermal" in [e["remote_name"] for e in d["entries"]]'
# Leave no Wine session of wine64 behind: a later program on a display must not
# join one that started without it. (The 32-bit route's server is persistent; its
# programs open their windows on the display they are started with.)
[ -z "${KVX_WINE:-}" ] || timeout 30 wineserver -w || true
echo "tour complete"
