#!/bin/bash
# The virtual machine's second stage, inside the chroot (scripts/vm32.sh copies it
# to the control share as guest.sh): the caller's environment, user and folder,
# the command's output carried out on two consoles, its exit code written back.
ln -sf /proc/self/fd /dev/fd
ln -sf /proc/self/fd/0 /dev/stdin
ln -sf /proc/self/fd/1 /dev/stdout
ln -sf /proc/self/fd/2 /dev/stderr
# The clock of this machine's files: a file the host has just written carries it.
touch /run/vm32/clock && date -s "@$(stat -c %.9Y /run/vm32/clock)" >/dev/null
# The command writes into pipes, as under a caller that captures its output; two
# consoles carry the bytes out unchanged (not serial lines: Wine's COM ports are
# those). A console forgets its settings when it is closed: each stays open.
mkfifo /tmp/.vm32-out /tmp/.vm32-err
carry() { # carry FIFO CONSOLE
    exec 5<>"$2"
    stty raw -echo <&5
    exec cat "$1" >&5
}
carry /tmp/.vm32-out /dev/hvc0 &
out=$!
carry /tmp/.vm32-err /dev/hvc1 &
err=$!
# What runs in the machine, looked at every 10 s: the host shows the last look
# when the machine has to be stopped.
(
    while sleep 10; do
        ps -eo pid,ppid,stat,etime,time,args --sort=pid >/run/vm32/processes.new 2>&1 &&
            mv -f /run/vm32/processes.new /run/vm32/processes
    done
) &
watcher=$!
. /run/vm32/environment
export VM32_GUEST=1
cd "$(cat /run/vm32/cwd)" 2>/dev/null || cd /
code=0
if [ "$(cat /run/vm32/uid)" = 0 ]; then
    "$@" </dev/null >/tmp/.vm32-out 2>/tmp/.vm32-err || code=$?
else
    setpriv --reuid="$(cat /run/vm32/uid)" --regid="$(cat /run/vm32/gid)" --clear-groups -- \
        "$@" </dev/null >/tmp/.vm32-out 2>/tmp/.vm32-err || code=$?
fi
# What the command left running is stopped as at a shutdown: SIGTERM first (a
# wineserver saves its registry then), SIGKILL for what is left after 10 s.
signal_the_rest() { # signal_the_rest SIGNAL: false when none was left
    local p left=1
    for p in /proc/[0-9]*; do
        p=${p#/proc/}
        case " 1 $$ $out $err " in *" $p "*) continue ;; esac
        [ -e "/proc/$p/exe" ] || continue # a kernel thread
        kill "-$1" "$p" 2>/dev/null && left=0
    done
    return "$left"
}
kill "$watcher"
if signal_the_rest TERM; then
    for _ in $(seq 100); do signal_the_rest 0 || break; sleep 0.1; done
    signal_the_rest KILL || true
fi
wait "$out" "$err"
echo "$code" >/run/vm32/status
