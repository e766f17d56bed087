#!/usr/bin/env bash
# The native kvxctl answers each command as the library does on the simulated machine.
set -u
kvxctl=$1
network=$(dirname "$0")/wine/test_network.txt
fail=0
expect() { # expect EXIT-CODE PATTERN -- kvxctl arguments...
    local want=$1 pattern=$2; shift 3
    local out code
    out=$("$kvxctl" "$@" 2>&1); code=$?
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
