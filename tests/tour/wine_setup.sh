# shellcheck shell=bash
# shellcheck disable=SC2154 # wine, bin and root come from kvxctl_tour.sh
# The Wine tour's machine: the build tree's prefix (made when missing), Wine's
# services, the release kvxctl.exe is told, the test network provider serving
# tests/data/test_network.txt, and no printer, driver or driver file of an
# earlier run.
[ -f "$WINEPREFIX/system.reg" ] || "$root/tests/wine/prepare_prefix.sh" "$WINEPREFIX" ||
    fails "could not prepare the prefix $WINEPREFIX"
# 32-bit programs share one persistent server and Wine's services (a no-op when the
# checks' prefix preparation has started them already).
[ -n "${KVX_WINE:-}" ] || "$root/scripts/wine32.sh" --server
if [ -n "${KVX_TOUR_RELEASE:-}" ]; then
    "$wine" reg add 'HKCU\Software\Wine\AppDefaults\kvxctl.exe' /v Version /d "$KVX_TOUR_RELEASE" /f >/dev/null
fi
echo "# The test network provider serves the network of tests/data/test_network.txt."
WINE=$wine "$root/tests/netprovider/register.sh" "$WINEPREFIX" "$bin" "$network" ||
    fails "could not register the test network provider"
for printer in "KVX_50 LPT1:" "KVX LPT1:"; do
    "$wine" reg delete "HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers\\$printer" /f >/dev/null 2>&1 || true
done
"$wine" "$bin/kvxctl.exe" remove-driver >/dev/null 2>&1 || true

# driver_files FIELD: that field ("name", "path") of each driver file kvxctl status lists.
driver_files() {
    "$wine" "$bin/kvxctl.exe" --json status 2>/dev/null | tr -d '\r' >"$work/status.json" || true
    python3 -c 'import json, sys; print("\n".join(f[sys.argv[2]] for f in json.load(open(sys.argv[1]))["files"]))' \
        "$work/status.json" "$1"
}
# remove_driver_files: deletes the platform's driver files from the driver directory.
remove_driver_files() {
    driver_files path | while read -r path; do rm -f "$("$wine" winepath -u "$path" 2>/dev/null | tr -d '\r')"; done
}
# unix_path WINDOWS-PATH and windows_path UNIX-PATH, as Wine maps them.
unix_path() { "$wine" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
windows_path() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
remove_driver_files
