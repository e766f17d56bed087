#!/usr/bin/env bash
# The import check fails where it must: check_imports_test.sh DLL ALLOWLIST runs
# tests/wine/check_imports.sh on the allowlist as it stands (it must pass) and on
# altered copies, each of which must fail with its message.
set -euo pipefail
dll=$1 allow=$2
check=$(dirname "$0")/check_imports.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# what the copy changes (a sed script) | the message the check must print ("" = passes)
cases=(
    "as listed||"
    "a looked-up function listed as imported|/^WINSPOOL.DRV ConnectToPrinterDlg\$/d; /^\[import\]\$/a WINSPOOL.DRV ConnectToPrinterDlg|listed but no longer imported: WINSPOOL.DRV ConnectToPrinterDlg"
    "an import listed as looked up|/^WINSPOOL.DRV GetPrinterA\$/d; \$a WINSPOOL.DRV GetPrinterA|looked up but imported: WINSPOOL.DRV GetPrinterA"
    "an import left off|/^KERNEL32.DLL GetProcAddress\$/d|import not on the allowlist: KERNEL32.DLL GetProcAddress"
    "a looked-up function the DLL does not name|\$a WINSPOOL.DRV AddPrinterConnectionA|looked up but not named in the DLL: WINSPOOL.DRV AddPrinterConnectionA"
    "a lookup in a DLL neither imported nor loaded|\$a NETAPI32.DLL NetApiBufferFree|looked up in a DLL neither imported nor loaded by name: NETAPI32.DLL"
    "a function of a DLL loaded by name listed as imported|/^SHELL32.DLL SHGetMalloc\$/d; /^\[import\]\$/a SHELL32.DLL SHGetMalloc|listed DLL no longer imported: SHELL32.DLL"
    "a line under no section|1i KERNEL32.DLL GetLastError|a line before [import] or [lookup]"
)
failed=0
for entry in "${cases[@]}"; do
    IFS='|' read -r name script message <<<"$entry"
    sed -e "$script" "$allow" > "$work/allow"
    if out=$("$check" "$dll" "$work/allow" 2>&1); then status=0; else status=$?; fi
    if [ -z "$message" ]; then
        [ $status = 0 ] && verdict=ok || verdict="FAILED (exit $status, want success)"
    elif [ $status = 0 ]; then
        verdict="FAILED (passed, want: $message)"
    elif grep -qF -- "$message" <<<"$out"; then
        verdict=ok
    else
        verdict="FAILED (want: $message)"
    fi
    echo "$name: $verdict"
    [ "$verdict" = ok ] || { sed 's/^/    /' <<<"$out"; failed=1; }
done
exit $failed
