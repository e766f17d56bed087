#!/bin/sh
# register.sh WINEPREFIX DLLDIR TREEFILE
#
# Installs the kvxnp test network provider in a Wine prefix so that the
# network provider router (mpr.dll) loads it:
#   - creates the prefix when it does not exist yet;
#   - for every section [NAME] of TREEFILE, copies DLLDIR/kvxnp.dll to
#     C:\windows\<dir>\NAME.dll, where <dir> is syswow64 for a 32-bit DLL in a
#     64-bit prefix and system32 otherwise;
#   - writes HKLM\System\CurrentControlSet\Services\NAME\NetworkProvider with
#     ProviderPath (REG_EXPAND_SZ), Name (the section's "provider" line, else
#     NAME) and TreeFile (TREEFILE as a Windows path);
#   - sets HKLM\System\CurrentControlSet\Control\NetworkProvider\Order
#     ProviderOrder to the section names, comma-separated, in file order
#     (replacing what was there).
# Running it again with the same arguments leaves the same state.
#
# Environment: WINE (default: wine, or wine64 when wine cannot run here,
# as on machines whose kernel cannot execute 32-bit ELF programs); WINEDEBUG
# and WINEDLLOVERRIDES as scripts/wine-env.sh sets them.
set -eu
# shellcheck source=scripts/wine-env.sh
. "$(dirname "$0")/../../scripts/wine-env.sh"

if [ $# -ne 3 ]; then
    echo "usage: $0 WINEPREFIX DLLDIR TREEFILE" >&2
    exit 2
fi
prefix=$1
dlldir=$2
tree=$3

[ -f "$dlldir/kvxnp.dll" ] || { echo "register.sh: $dlldir/kvxnp.dll not found" >&2; exit 1; }
[ -f "$tree" ] || { echo "register.sh: $tree not found" >&2; exit 1; }
tree=$(readlink -f "$tree")

mkdir -p "$prefix"
WINEPREFIX=$(readlink -f "$prefix")
export WINEPREFIX

if [ -z "${WINE:-}" ]; then
    if wine --version >/dev/null 2>&1; then
        WINE=wine
    elif command -v wine64 >/dev/null 2>&1; then
        WINE=wine64
    elif [ -x /usr/lib/wine/wine64 ]; then
        WINE=/usr/lib/wine/wine64
    else
        WINE=wine
    fi
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    $WINE wineboot -i >/dev/null 2>&1 || true
    timeout 30 wineserver -w 2>/dev/null || true
fi
[ -d "$WINEPREFIX/drive_c/windows/system32" ] || { echo "register.sh: could not create the prefix $WINEPREFIX" >&2; exit 1; }

# Machine of the DLL: the 16-bit field after the "PE\0\0" signature.
pe_offset=$(od -An -tu4 -j60 -N4 "$dlldir/kvxnp.dll" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$dlldir/kvxnp.dll" | tr -d ' ')
if [ "$machine" = 014c ] && [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
    sysdir=syswow64
else
    sysdir=system32
fi

# Sections and provider names: "NAME<TAB>PROVIDER" per section, in file order.
sections=$(tr -d '\r' < "$tree" | awk '
    function flush() { if (sec != "") print sec "\t" (prov != "" ? prov : sec) }
    /^[ \t]*#/ { next }
    /^[ \t]*\[/ {
        flush()
        line = $0; sub(/^[ \t]*\[[ \t]*/, "", line); sub(/[ \t]*\].*$/, "", line)
        sec = line; prov = ""; next
    }
    sec != "" && tolower($1) == "provider" {
        line = $0; sub(/^[ \t]*[^ \t]+[ \t]+/, "", line); sub(/[ \t]+$/, "", line)
        gsub(/"/, "", line); prov = line
    }
    END { flush() }')
[ -n "$sections" ] || { echo "register.sh: no [section] in $tree" >&2; exit 1; }

# A Unix path as Wine shows it through its drive Z:, which is the root.
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
# A registry file's quoted string: backslashes and quotes escaped.
reg_string() { printf '"%s"' "$(printf '%s' "$1" | sed 's/[\\"]/\\&/g')"; }
# A registry file's REG_EXPAND_SZ: hex(2): the ANSI bytes and a closing zero.
reg_expand() { printf 'hex(2):%s00' "$(printf '%s' "$1" | od -An -v -tx1 | tr -s ' \n' ',' | sed 's/^,//')"; }

# Every value goes in through one registry file: one Wine program instead of one
# per value.
wintree=$(windows_path "$tree")
regfile=$WINEPREFIX/drive_c/windows/temp/kvx-network-providers.reg
mkdir -p "$(dirname "$regfile")"
tab=$(printf '\t')
order=$(printf '%s\n' "$sections" | cut -f1 | paste -sd, -)
{
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\NetworkProvider\\Order]\n'
    printf '"ProviderOrder"=%s\n' "$(reg_string "$order")"
    printf '%s\n' "$sections" | while IFS="$tab" read -r name provider; do
        printf '\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\%s\\NetworkProvider]\n' "$name"
        printf '"ProviderPath"=%s\n' "$(reg_expand "%SystemRoot%\\$sysdir\\$name.dll")"
        printf '"Name"=%s\n' "$(reg_string "$provider")"
        printf '"TreeFile"=%s\n' "$(reg_string "$wintree")"
    done
} >"$regfile"
printf '%s\n' "$sections" | while IFS="$tab" read -r name provider; do
    cp "$dlldir/kvxnp.dll" "$WINEPREFIX/drive_c/windows/$sysdir/$name.dll"
    printf 'register.sh: %s.dll (%s) serves "%s"\n' "$name" "$sysdir" "$provider"
done
$WINE reg import 'C:\windows\temp\kvx-network-providers.reg' >/dev/null
rm -f "$regfile"
printf 'register.sh: ProviderOrder=%s, TreeFile=%s\n' "$order" "$wintree"
