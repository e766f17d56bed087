#!/usr/bin/env bash
# What the 32-bit route promises its callers, checked by booting the virtual
# machine of scripts/vm32.sh: a command's exit code and its standard output and
# error come back unchanged and apart; a skipped session fails where CI runs; a
# process the command leaves behind neither keeps the machine up nor is left
# running; the time limit stops a machine and shows what ran in it.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
vm32=$here/scripts/vm32.sh
wine32=$here/scripts/wine32.sh
if ! problem=$("$vm32" --check 2>&1); then
    echo "SKIPPED: no virtual machine can start here: $problem"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
# Other machines may run beside these checks; ours keep their control folders
# under $work, which their command lines name.
mkdir "$work/tmp"
export TMPDIR=$work/tmp
machines_started_here() { pgrep -f -- "path=$work/tmp/" || true; }

# check NAME WANT_EXIT WANT_STDOUT WANT_STDERR_PATTERN [ENV=VALUE...] -- COMMAND...
check() {
    local name=$1 want_exit=$2 want_out=$3 want_err=$4 code=0 started=$SECONDS
    shift 4
    local env=()
    while [ "$1" != -- ]; do env+=("$1"); shift; done
    shift
    env "${env[@]}" "$@" >"$work/out" 2>"$work/err" </dev/null || code=$?
    local why=
    [ "$code" = "$want_exit" ] || why="; exit $code, expected $want_exit"
    [ "$(cat "$work/out")" = "$want_out" ] || why="$why; stdout '$(cat "$work/out")', expected '$want_out'"
    [ -z "$want_err" ] || grep -Eq -- "$want_err" "$work/err" || why="$why; stderr without /$want_err/"
    if [ -n "$why" ]; then
        echo "FAIL $name: ${why#; }"
        sed 's/^/    stderr: /' "$work/err"
        failures=$((failures + 1))
    else
        echo "ok   $name ($((SECONDS - started)) s)"
    fi
}

# Where a command's output went to a terminal, Wine's console would add escape
# sequences; the bytes, tabs and carriage returns included, come back as written.
check "exit code and output, apart" 3 $'out 1\n\tout\r 2' '^err 1$' -- \
    "$vm32" sh -c 'echo "out 1"; echo "err 1" >&2; printf "\tout\r 2\n"; exit 3'
check "the command sees a pipe, the caller's folder and environment" 0 \
    $'pipe\n'"$PWD"$'\nkept' '' KVX_PROBE=kept -- \
    "$vm32" sh -c '[ -t 1 ] && echo tty || echo pipe; pwd; echo "$KVX_PROBE"'
check "a skipped session fails where CI runs" 1 '' 'CI=true' CI=true -- \
    "$wine32" --session sh -c 'exit 77'
check "a skipped session is skipped elsewhere" 77 '' '' CI= -- \
    "$wine32" --session sh -c 'exit 77'
check "a process left behind, holding the output, is stopped with the machine" 0 'started' '' -- \
    "$vm32" sh -c 'sleep 1000 & echo started'
check "the time limit stops the machine and shows what ran" 125 '' 'sleep 1000' VM32_TIMEOUT=60 -- \
    "$vm32" sleep 1000

# Nothing of the machines is left running.
if [ -n "$(machines_started_here)" ]; then
    echo "FAIL a machine is still running: $(machines_started_here)"
    failures=$((failures + 1))
fi
[ "$failures" = 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all route checks passed"
