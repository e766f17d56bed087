#!/usr/bin/env bash
# The native kvxctl answers each command as the library does on the simulated machine.
set -u
kvxctl=$1
# KVX_TOUR_WRAPPER runs each kvxctl under a checker (valgrind), whose exit code then counts.
read -ra wrapper <<<"${KVX_TOUR_WRAPPER:-}"
network=$(dirname "$0")/wine/test_network.txt
fail=0
expect() { # expect EXIT-CODE PATTERN -- kvxctl arguments...
    local want=$1 pattern=$2; shift 3
    local out code
    out=$("${wrapper[@]}" "$kvxctl" "$@" 2>&1); code=$?
    if [ "$code" != "$want" ] || ! grep -q -- "$pattern" <<<"$out"; then
        echo "FAIL: kvxctl $* -> exit $code (want $want), output:"; echo "$out"; fail=1
    fi
}
# expect_once EXIT-CODE PATTERN -- kvxctl arguments...: PATTERN matches exactly one line.
expect_once() {
    local want=$1 pattern=$2; shift 3
    local out code
    out=$("${wrapper[@]}" "$kvxctl" "$@" 2>&1); code=$?
    if [ "$code" != "$want" ] || [ "$(grep -c -- "$pattern" <<<"$out")" != 1 ]; then
        echo "FAIL: kvxctl $* -> exit $code (want $want, '$pattern' once), output:"; echo "$out"; fail=1
    fi
}
# expect_json EXIT-CODE PYTHON-CONDITION -- kvxctl arguments...: standard output is one JSON
# document (read by python3's parser) for which the condition on `d` holds; with the
# condition '' (a failure) standard output stays empty.
expect_json() {
    local want=$1 condition=$2; shift 3
    local out code
    out=$("${wrapper[@]}" "$kvxctl" --json "$@" 2>/dev/null); code=$?
    if [ -z "$condition" ]; then
        [ "$code" = "$want" ] && [ -z "$out" ] ||
            { echo "FAIL: kvxctl --json $* -> exit $code (want $want, no output), output:"; echo "$out"; fail=1; }
        return
    fi
    if [ "$code" != "$want" ] || ! python3 -c 'import json, sys
d = json.loads(sys.stdin.buffer.read().decode("ascii"))
sys.exit(0 if eval(sys.argv[1]) else 1)' "$condition" <<<"$out"; then
        echo "FAIL: kvxctl --json $* -> exit $code (want $want, $condition), output:"; echo "$out"; fail=1
    fi
}
# nothing_left STORE WHAT: the driver directories in STORE hold no file.
nothing_left() {
    local left; left=$(find "$1" -type f)
    [ -z "$left" ] || { echo "FAIL: $2 left files behind: $left"; fail=1; }
}

work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
# Driver files as an administrator has them: a folder whose name holds spaces and
# a character of the ANSI code page beyond ASCII (Windows-1252 0xFC), and one per
# Windows 4.x.
from="$work/Driver files f"$'\xfc''r labels'
mkdir -p "$from" "$work/win4x" "$work/partial" "$work/with-folder/KVX_50.PPD" "$work/other"
for file in KVX_50.DLL KVX_50.PPD KVX_50UI.DLL; do
    echo "placeholder $file" >"$from/$file"
    [ -d "$work/with-folder/$file" ] || echo "placeholder $file" >"$work/with-folder/$file"
    echo "another $file" >"$work/other/$file"
done
cp "$from/KVX_50.DLL" "$from/KVX_50.PPD" "$work/partial/"
echo "placeholder KVX.DRV" >"$work/win4x/KVX.DRV"
mkdir "$work/nt3" && for file in RASDD.DLL KVX.DLL RASDDUI.DLL; do echo "$file" >"$work/nt3/$file"; done
store=$work/store
w32x86=$store/windows/system32/spool/drivers/w32x86

expect 0 'platform code  8'           -- platform
expect 0 'platform code  2'           -- --windows win95 platform
expect 0 'platform code  4'           -- --windows nt351 platform
expect 0 'w32x86'                     -- driver-dir
expect 3 'missing driver file .*KVX_50UI.DLL' -- install-driver
expect 0 'installed driver "Printer KVX 5.0"' -- --with-driver-files install-driver
expect 1 'ERROR_UNKNOWN_PRINTER_DRIVER' -- remove-driver
expect 0 'added printer "KVX_50 LPT1:" on LPT1:' -- --with-driver-files install-printer LPT1:
expect 0 'added printer "KVX LPT1:" on LPT1:' -- --windows nt351 --with-driver-files install-printer LPT1:
expect 1 'refused a printer on LPT1:'  -- install-printer LPT1:
expect 1 'cannot open the printer "KVX_50 LPT1:"' -- driver-name 'KVX_50 LPT1:'
expect 0 'LPT3:'                      -- ports
expect 0 'configured LPT1:'           -- configure-port LPT1:
expect 1 'ERROR_UNKNOWN_PORT'         -- configure-port LPT9:
expect 0 'computer  LABELHOST'        -- whoami
expect 2 'usage: kvxctl driver-name PRINTER' -- driver-name
expect 0 'path         \\\\SRV\\Thermal' -- --browse-path '\\SRV\Thermal' browse-dialog --title 'Pick one'
expect 0 'fetch call   -99 (KVX_DIALOG_COPIED)' -- --browse-printer 'Thermal on SRV' browse-dialog
expect 1 'sizing call  0 (KVX_DIALOG_NOTHING_CHOSEN)' -- browse-dialog
expect 1 'fetch call   0 (KVX_DIALOG_NOTHING_CHOSEN)' -- --browse-path '' browse-dialog
expect 2 'usage: kvxctl browse-dialog' -- browse-dialog --colour red
expect 0 'printer      \\\\LABELSRV\\Thermal' -- --connect-printer '\\LABELSRV\Thermal' connect-dialog
expect 0 'sizing call  18 (size to fetch)' -- --connect-printer '\\LABELSRV\Thermal' connect-dialog
expect 1 'sizing call  0 (KVX_DIALOG_NOTHING_CHOSEN)' -- connect-dialog
expect 0 'network  *Other Network'    -- --network "$network" browse
expect 0 'domain  *CORP  *Kvx Network' -- --network "$network" browse --provider "Kvx Network"
expect 0 'No Provider'                -- --network "$network" browse --provider "Kvx Network" SALES
expect 0 'share  *\\\\PRN01\\Thermal' -- --network "$network" browse --provider "Kvx Network" SALES '\\PRN01'
expect 0 '^2000 entries'              -- --network "$network" browse --provider "Kvx Network" CORP '\\BIGSRV'
expect 0 '5c 5c 50 52 4e 30 31'       -- --network "$network" browse --raw --provider "Kvx Network" SALES '\\PRN01'
expect 0 '^0 entries'                 -- --network "$network" browse --provider "Other Network"
expect 0 '^0 entries'                 -- browse
expect 2 'usage: kvxctl browse'       -- browse --frobnicate
expect 2 'cannot read the network tree' -- --network /nonexistent browse
expect 2 'unknown command'            -- frobnicate
expect 2 'unknown Windows release'    -- --windows os2 platform
expect 0 'exit codes'                 -- --help

# Placing the driver files (install-driver/install-printer --from FOLDER [--force]).
expect 3 'missing driver file .*KVX_50UI.DLL' -- install-driver --from "$work/partial" --driver-store "$store"
nothing_left "$store" "a folder lacking a file"
expect_once 3 'missing driver file'   -- --windows win98 install-driver
expect 7 'folder .*nonexistent does not exist' -- install-driver --from "$work/nonexistent"
expect 7 'is a file, not a folder'    -- install-driver --from "$from/KVX_50.DLL"
expect 7 'KVX_50.PPD is a folder, not a driver file' -- install-driver --from "$work/with-folder"
expect 7 'the driver directory is read-only' -- --read-only-driver-dir install-driver --from "$from" --driver-store "$store"
nothing_left "$store" "a read-only driver directory"
expect 1 'at most 504 characters; this one has 600' -- install-printer "$(printf 'P%.0s' {1..600})" --from "$from" --driver-store "$store"
nothing_left "$store" "a port name of 600 characters"
expect 0 'copied KVX_50UI.DLL to C:.*w32x86.KVX_50UI.DLL' -- install-driver --from "$from" --driver-store "$store"
expect 0 'unchanged .*KVX_50.PPD'     -- --driver-store "$store" install-driver --from "$from"
expect 7 'KVX_50.DLL differs from the one in .*other (--force replaces it)' -- install-driver --from "$work/other" --driver-store "$store"
grep -q placeholder "$w32x86/KVX_50.DLL" || { echo "FAIL: a refused copy changed KVX_50.DLL"; fail=1; }
expect 0 'replaced KVX_50.DLL'        -- install-driver --force --from "$work/other" --driver-store "$store"
mkdir "$w32x86/KVX_50UI.DLL.kvxctl-new.d" && rm -f "$w32x86/KVX_50UI.DLL" && mkdir "$w32x86/KVX_50UI.DLL"
expect 7 'KVX_50UI.DLL is a folder: move it out' -- install-driver --from "$from" --driver-store "$store" --force
[ -z "$(find "$store" -name '*.kvxctl-new')" ] || { echo "FAIL: a staged copy was left behind"; fail=1; }
expect 0 'added printer "KVX LPT1:" on LPT1:' -- install-printer --from "$work/nt3" LPT1: --windows nt351
expect_once 0 'copied KVX.DRV' -- install-printer LPT1: --from "$work/win4x" --windows win98
# Options in any order: global ones after the command, the command's own before it.
expect 0 'installed driver "Printer KVX 5.0" from C:.*win40' -- --with-driver-files install-driver --windows win98
expect 0 'copied KVX_50.DLL'          -- --from "$from" install-driver
expect 0 'platform code  4'           -- platform --windows nt351
expect 3 'present  C:.*KVX_50.DLL'   -- status --driver-store "$store" --windows nt40

# Windows 95, 98 and Me have no MoveFileEx: a file is replaced by deleting the old
# one and renaming the new copy. A rename that fails after the delete keeps the new
# copy under its staged name and names it; running the command again finishes.
store9x=$work/store9x win40=$work/store9x/windows/system32/spool/drivers/win40
mkdir "$work/win4x-other" && echo "another KVX.DRV" >"$work/win4x-other/KVX.DRV"
expect 0 'copied KVX.DRV'             -- --windows win98 install-driver --from "$work/win4x" --driver-store "$store9x"
expect 0 'replaced KVX.DRV'           -- --windows win95 install-driver --force --from "$work/win4x-other" --driver-store "$store9x"
grep -q another "$win40/KVX.DRV" || { echo "FAIL: KVX.DRV was not replaced"; fail=1; }
expect 7 'its new copy is kept as C:.*win40.KVX.DRV.kvxctl-new: run the command again' -- --windows win98 --driver-dir-renames-fail install-driver --force --from "$work/win4x" --driver-store "$store9x"
[ ! -e "$win40/KVX.DRV" ] && grep -q placeholder "$win40/KVX.DRV.kvxctl-new" ||
    { echo "FAIL: the new copy of KVX.DRV is not kept as KVX.DRV.kvxctl-new"; fail=1; }
expect 3 'MISSING  C:.*win40.KVX.DRV' -- --windows win98 status --driver-store "$store9x"
expect 0 'copied KVX.DRV'             -- --windows win98 install-driver --force --from "$work/win4x" --driver-store "$store9x"
[ "$(find "$store9x" -type f)" = "$win40/KVX.DRV" ] && grep -q placeholder "$win40/KVX.DRV" ||
    { echo "FAIL: the rerun did not put the new KVX.DRV in place alone"; fail=1; }
# Where a file is replaced in one step, a failed rename changes nothing.
expect 0 'copied KVX_50.DLL'          -- install-driver --from "$from" --driver-store "$work/storent"
expect 7 'nothing was copied or installed' -- --driver-dir-renames-fail install-driver --force --from "$work/other" --driver-store "$work/storent"
[ "$(find "$work/storent" -type f | wc -l)" = 3 ] && ! grep -rq another "$work/storent" ||
    { echo "FAIL: a failed rename changed the driver directory"; fail=1; }

# A 64-bit process on 64-bit Windows (the 64-bit build): the Windows NT 4 driver
# under "Windows x64", from its own directory, whatever NT version runs.
expect 0 'spool.drivers.x64$'         -- --x64 driver-dir
expect 0 'added printer "KVX_50 LPT1:" on LPT1:' -- --x64 --windows nt351 --with-driver-files install-printer LPT1:
expect 0 'copied KVX_50UI.DLL to C:.*x64.KVX_50UI.DLL' -- --x64 --windows nt351 install-printer LPT1: --from "$from"
expect 0 'added printer "KVX_50 LPT1:" on LPT1:' -- --x64 --windows win10 install-printer LPT1: --from "$from"
expect 0 'installed driver "Printer KVX 5.0" from C:.*win40' -- --x64 --windows win98 --with-driver-files install-driver
expect 5 'NOT REGISTERED (the library registers it under "Windows x64")' -- --x64 --with-driver-files status
expect_json 0 'd["environment"] == "Windows x64" and d["driver_directory"].endswith("\\x64")' -- --x64 --windows nt351 --with-driver-files install-driver

# status: the first thing missing decides the exit code.
expect 3 'next: kvxctl install-printer PORT --from FOLDER' -- status
expect 5 'NOT REGISTERED'             -- --with-driver-files status
expect 3 'MISSING  C:.*win40.KVX.DRV' -- status --windows win95

# One JSON document per command on standard output.
expect_json 3 'd["ready"] is False and d["exit_code"] == 3 and not any(f["present"] for f in d["files"])' -- status
expect_json 5 'd["driver"]["registered_under"] == [] and d["next"] == "kvxctl install-printer PORT"' -- --with-driver-files status
expect_json 0 'd["platform_code"] == 16 and d["major"] == 4' -- platform --windows win98
expect_json 0 'd["driver_directory"].endswith("\\w32x86")' -- driver-dir
expect_json 0 '"LPT1:" in d["ports"]'  -- ports
expect_json 0 'd["computer"] == "LABELHOST"' -- whoami
expect_json 0 'd["installed"] and d["from"].endswith("f\u00fcr labels") and [f["action"] for f in d["files"]] == ["copied"] * 3' -- install-driver --from "$from"
expect_json 0 'd["printer"] == "KVX_50 LPT1:" and d["port"] == "LPT1:" and len(d["files"]) == 3' -- install-printer LPT1: --from "$from"
expect_json 0 'd["printer"] == "KVX_50 LPT1:" and "files" not in d' -- --with-driver-files install-printer LPT1:
expect_json 1 ''                       -- remove-driver
expect_json 0 '"\\\\PRN01\\Thermal" in [e["remote_name"] for e in d["entries"]] and d["network_path"] == "0005SALES0007\\\\PRN01"' -- browse --network "$network" --provider "Kvx Network" SALES '\\PRN01'
expect 2 '--json is not available for configure-port' -- --json configure-port LPT1:
expect 2 '--raw and --json exclude each other' -- --json browse --raw
exit $fail
