#!/usr/bin/env bash
# The tour of kvxctl's commands, one for both builds:
#   kvxctl_tour.sh native KVXCTL   the native kvxctl over the simulated machine
#                                  (KVX_TOUR_WRAPPER runs each call under a checker,
#                                  such as valgrind, whose exit code then counts)
#   kvxctl_tour.sh wine BIN_DIR    kvxctl.exe with the real KVX_32.dll (both in
#                                  BIN_DIR) under Wine, in the build tree's private
#                                  prefix; KVX_WINE names the loader of a 64-bit build
#                                  (else scripts/wine32.sh), KVX_TOUR_RELEASE the
#                                  Windows release Wine reports to kvxctl.exe
# What both builds answer alike comes first (shared.sh), then what only the
# simulation can show (native.sh: other releases, refused spoolers, failing
# disks) or only the real platform (wine.sh: Wine's spooler and file system).
# Every check runs; the exit code is 1 when any failed ("FAIL:" lines say which).
set -uo pipefail
tour=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$tour/../.." && pwd)
network=$root/tests/data/test_network.txt
mode=${1:-}
case $mode in
    native | wine) [ $# = 2 ] || mode= ;;
esac
[ -n "$mode" ] || { echo "usage: kvxctl_tour.sh native KVXCTL | wine BIN_DIR" >&2; exit 2; }

work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
out=$work/output
# shellcheck source=tests/tour/helpers.sh
. "$tour/helpers.sh"

if [ "$mode" = native ]; then
    kvxctl=$2
    read -ra wrapper <<<"${KVX_TOUR_WRAPPER:-}"
    tour_kvxctl() { "${wrapper[@]}" "$kvxctl" "$@"; }
    # The simulated machine has no network unless --network names one.
    net=(--network "$network")
else
    bin=$(cd "$2" && pwd)
    # shellcheck source=scripts/wine-env.sh
    . "$root/scripts/wine-env.sh"
    kvx_wine_prefix "$(dirname "$bin")/wine/prefix"
    kvx_wine_loader "$root"
    tour_kvxctl() { "$wine" "$bin/kvxctl.exe" "$@"; }
    net=()
    # shellcheck source=tests/tour/wine_setup.sh
    . "$tour/wine_setup.sh"
fi

# shellcheck source=tests/tour/shared.sh
. "$tour/shared.sh"
# shellcheck disable=SC1090 # native.sh or wine.sh
. "$tour/$mode.sh"

[ "$mode" = native ] || [ -z "${KVX_WINE:-}" ] || timeout 30 wineserver -w || true
if [ "$fail" = 0 ]; then
    echo "tour complete"
else
    echo "tour FAILED: $failures check(s), each on a FAIL: line above"
fi
exit "$fail"
