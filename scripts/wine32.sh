#!/usr/bin/env bash
# wine32.sh: runs 32-bit Windows programs under Wine, also on machines whose
# kernel refuses to execute 32-bit x86 code.
#
#   scripts/wine32.sh PROGRAM [ARGS...]   run PROGRAM, like `wine PROGRAM ARGS...`
#   scripts/wine32.sh --session COMMAND [ARGS...]
#                                         run COMMAND (a script that starts Wine
#                                         programs through this one) where 32-bit
#                                         code executes, all of it in one machine
#   scripts/wine32.sh --init-prefix       create or update $WINEPREFIX and wait
#   scripts/wine32.sh --server            start a persistent wineserver for $WINEPREFIX,
#                                         with Wine's services
#   scripts/wine32.sh --kill              stop the prefix's wineserver and its programs
#   scripts/wine32.sh --route             print "native", "vm" or "none" (exit 77)
#
# Route "native": this machine's kernel executes i386 programs, so Wine runs here.
# Route "vm": it does not (the kernel refuses i386 ELF files, and no 32-bit code
# segment works in a 64-bit process either), so the program or the session runs
# in a virtual machine whose own kernel executes 32-bit code (scripts/vm32.sh):
# there Wine's signals, threads and server behave as on hardware. Each PROGRAM
# started from here boots its own machine (about 30 s with Wine's start-up); a
# session boots one for everything it runs, and inside it the route is native.
# Route "none": neither works; a PROGRAM then exits 77 (skipped) and a session
# runs here, where its programs report skipped. A session that exits 77 exits 1
# instead when CI is "true": there a skipped check of the 32-bit DLL fails the run.
#
# WINE32_ROUTE=native|vm|none takes that route instead of the one found (vm
# proves the virtual machine's route on a machine that could run 32-bit code
# itself); inside the virtual machine the route is native whatever it says.
#
# WINEPREFIX is the caller's (default: Wine's own default). WINEARCH defaults to
# win32, which only matters when a prefix is created.
# Needs: wine, wine32:i386; for the "vm" route also what scripts/vm32.sh names.
set -euo pipefail

self=$(readlink -f "$0")
here=$(dirname "$self")
wine32_loader=/usr/lib/wine/wine

# A machine-wide binfmt_misc handler for i386 (qemu-user) makes i386 programs
# start without the kernel executing them; Wine is not dependable that way.
emulated_i386() {
    local f
    for f in /proc/sys/fs/binfmt_misc/*; do
        [ -f "$f" ] || continue
        grep -qs '^magic 7f454c4601010100000000000000000002000300' "$f" &&
            grep -qsx enabled "$f" && return 0
    done
    return 1
}

native_ok() {
    [ -x "$wine32_loader" ] && ! emulated_i386 && "$wine32_loader" --version >/dev/null 2>&1
}

case ${WINE32_ROUTE:-} in
    '' | native | vm | none) ;;
    *) echo "wine32.sh: WINE32_ROUTE is native, vm or none, not '$WINE32_ROUTE'" >&2; exit 2 ;;
esac

route() {
    if [ -n "${WINE32_ROUTE:-}" ] && [ -z "${VM32_GUEST:-}" ]; then
        echo "$WINE32_ROUTE"
    elif native_ok; then
        echo native
    elif "$here/vm32.sh" --check 2>/dev/null; then
        echo vm
    else
        echo none
    fi
}

no_route() {
    echo "wine32.sh: this machine can run no 32-bit x86 code: its kernel refuses it and no" >&2
    echo "virtual machine can start here: $("$here/vm32.sh" --check 2>&1 | head -n 1)" >&2
}

# A skipped check of the 32-bit DLL is a failure where CI runs.
skipped() {
    if [ "${CI:-}" = true ]; then
        echo "wine32.sh: CI=true: a skipped check of the 32-bit DLL fails the run" >&2
        exit 1
    fi
    exit 77
}

session() {
    local code=0
    if [ "$(route)" = vm ]; then
        "$here/vm32.sh" "$@" || code=$?
    else
        # Here, where its Wine programs run or, without any route, report skipped.
        "$@" || code=$?
    fi
    [ "$code" != 77 ] || skipped
    exit "$code"
}

run() { # run WINE-COMMAND...
    case $(route) in
        native) exec "$@" ;;
        vm) exec "$here/vm32.sh" "$self" "${@:2}" ;;
        *) no_route; exit 77 ;;
    esac
}

init_prefix() {
    [ "$(route)" != vm ] || exec "$here/vm32.sh" "$self" --init-prefix "$@"
    local target=${WINEPREFIX:-} rc=0
    if [ -n "${VM32_GUEST:-}" ] && [ -n "$target" ] && [ ! -f "$target/system.reg" ]; then
        # In the virtual machine, the shared folder is slow for the thousand files
        # of a new prefix: make it in the machine's memory, then copy it over.
        export WINEPREFIX=/tmp/wine32-new-prefix
    fi
    ( run wine wineboot -i "$@" ) || rc=$?
    # wineboot returns before the prefix's services finish; wait for them.
    wineserver -w || true
    if [ "$WINEPREFIX" != "$target" ] && [ "$rc" = 0 ]; then
        mkdir -p "$target"
        cp -a "$WINEPREFIX/." "$target/"
        rm -rf "$WINEPREFIX"
    fi
    exit "$rc"
}

export WINEARCH=${WINEARCH:-win32}
# shellcheck source=scripts/wine-env.sh
. "$here/wine-env.sh"

case ${1:-} in
    --route) r=$(route); echo "$r"; [ "$r" != none ] || exit 77; exit 0 ;;
    --session) shift; session "$@" ;;
    --init-prefix) shift; init_prefix "$@" ;;
    --server)
        [ "$(route)" = native ] || exit 0
        wineserver -p </dev/null >/dev/null 2>&1 || true # already running: fine
        # Wine's services start with the first program and keep its output open for
        # as long as they run: start them here, on nobody's output.
        wine reg query 'HKCU\Software\Wine' </dev/null >/dev/null 2>&1 || true
        exit 0 ;;
    --kill) wineserver -k 2>/dev/null || true; exit 0 ;;
    "") sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//p}' "$self" >&2; exit 2 ;;
    *) run wine "$@" ;;
esac
