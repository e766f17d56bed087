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
exit $fail
