#!/usr/bin/env bash
# vm32.sh: runs a command in a throw-away virtual machine whose kernel executes
# 32-bit x86 code, for machines whose own kernel refuses it:
#
#   scripts/vm32.sh COMMAND [ARGS...]   exit code, standard output and standard
#                                       error are COMMAND's
#   scripts/vm32.sh --check             exit 0 if a machine can be started here
#
# The machine is Debian's kernel package under qemu-system-x86_64 (software
# emulation), with no disk image: this machine's file system is its root, shared
# read-only, under a writable layer in memory that is gone when it stops. The
# project's folder (and each folder in VM32_SHARE, colon-separated) is shared
# writable at the same path, so a command writes its results where it would
# natively. The command runs as the calling user, in the current folder, with
# the caller's environment (but DISPLAY: the machine cannot reach this machine's
# X server), VM32_GUEST=1, and /tmp fresh. Nothing is left running: the machine
# powers off when the command ends, and is stopped if this script is.
#
# VM32_TIMEOUT (seconds, default 3600) bounds one machine's life; when it runs
# out, or this script is stopped, the last list of the machine's processes
# (taken every 10 s) is shown. VM32_DEBUG=1 names the folder holding that list
# and the machine's console while it runs.
# VM32_CPUS and VM32_MEMORY (MiB) size it (default: this machine's cores, 3072).
# Needs: qemu-system-x86, linux-image-amd64, busybox-static (Debian packages).
set -euo pipefail

self=$(readlink -f "$0")
project=$(cd "$(dirname "$self")/.." && pwd)
die() { echo "vm32.sh: $*" >&2; exit 125; }

kernel=${VM32_KERNEL:-$(ls -1 /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1)}
version=${kernel#/boot/vmlinuz-}
modules=/lib/modules/$version/kernel
busybox=/bin/busybox
qemu=/usr/bin/qemu-system-x86_64
# The order matters: each module needs the ones before it.
module_list="drivers/virtio/virtio_ring drivers/virtio/virtio drivers/virtio/virtio_pci_modern_dev
 drivers/virtio/virtio_pci_legacy_dev drivers/virtio/virtio_pci fs/netfs/netfs fs/fscache/fscache
 net/9p/9pnet net/9p/9pnet_virtio fs/9p/9p fs/overlayfs/overlay drivers/char/virtio_console"

check() {
    [ -x "$qemu" ] || { echo "vm32.sh: qemu-system-x86_64 missing (package qemu-system-x86)" >&2; return 1; }
    [ -f "$kernel" ] || { echo "vm32.sh: no kernel in /boot (package linux-image-amd64)" >&2; return 1; }
    [ -r "$kernel" ] || { echo "vm32.sh: $kernel is not readable" >&2; return 1; }
    [ -x "$busybox" ] && [[ $'\n'$("$busybox" --list 2>/dev/null)$'\n' == *$'\ncpio\n'* ]] ||
        { echo "vm32.sh: static busybox missing (package busybox-static)" >&2; return 1; }
    local m
    for m in $module_list; do
        [ -f "$modules/$m.ko" ] || { echo "vm32.sh: kernel module $m missing" >&2; return 1; }
    done
}

# The machine's two stages, as files of their own: guest_init.sh, the first (it
# mounts the shares, then runs the command in a chroot of this machine's file
# system and powers off), and guest_run.sh, the second, inside the chroot.
guest=$(dirname "$self")/vm32

build_initrd() { # build_initrd FILE
    local tree
    tree=$(mktemp -d)
    mkdir -p "$tree/bin" "$tree/modules"
    cp "$busybox" "$tree/bin/busybox"
    cp "$guest/guest_init.sh" "$tree/init"
    chmod 755 "$tree/init"
    local m order=
    for m in $module_list; do
        cp "$modules/$m.ko" "$tree/modules/${m##*/}.ko"
        order="$order ${m##*/}"
    done
    echo "$order" >"$tree/modules/order"
    (cd "$tree" && find . | "$busybox" cpio -o -H newc 2>/dev/null) | gzip -1 >"$1.tmp"
    mv -f "$1.tmp" "$1"
    rm -rf "$tree"
}


case ${1:-} in
    --check) check; exit ;;
    "" | -h | --help) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//p}' "$self"; [ -n "${1:-}" ]; exit ;;
esac
check || exit 125

cache=${VM32_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/vm32}
mkdir -p "$cache"
initrd=$cache/initrd-$version.gz
if [ ! -f "$initrd" ] || [ "$self" -nt "$initrd" ] || [ "$guest/guest_init.sh" -nt "$initrd" ]; then
    build_initrd "$initrd"
fi

control=$(mktemp -d)
[ -z "${VM32_DEBUG:-}" ] || echo "vm32.sh: console and process list in $control" >&2
qemu_pid=
stop() {
    if [ -n "$qemu_pid" ]; then
        kill "$qemu_pid" 2>/dev/null || true
        wait "$qemu_pid" 2>/dev/null || true
    fi
    rm -rf "$control"
}
last_look() {
    [ -s "$control/processes" ] || return 0
    echo "vm32.sh: what ran in the machine at the last look (every 10 s):" >&2
    cat "$control/processes" >&2
}
trap stop EXIT
trap 'last_look; exit 143' TERM
trap 'last_look; exit 130' INT

cp "$guest/guest_run.sh" "$control/guest.sh"
{
    printf 'set -- '
    printf '%q ' "$@"
    echo
    export -p | grep -Ev '^declare -x (DISPLAY|XAUTHORITY|TMPDIR|XDG_RUNTIME_DIR|DBUS_SESSION_BUS_ADDRESS|SSH_[A-Z_]*|OLDPWD|PWD|SHLVL)='
} >"$control/environment"
pwd >"$control/cwd"
id -u >"$control/uid"
id -g >"$control/gid"

shares=("$project")
IFS=: read -r -a extra <<<"${VM32_SHARE:-}"
for dir in "${extra[@]}"; do
    [ -n "$dir" ] && shares+=("$(cd "$dir" && pwd)")
done
fsdev=()
i=0
: >"$control/shares"
for dir in "${shares[@]}"; do
    echo "$dir" >>"$control/shares"
    fsdev+=(-fsdev "local,id=share$i,path=$dir,security_model=none,multidevs=remap"
            -device "virtio-9p-pci,fsdev=share$i,mount_tag=share$i")
    i=$((i + 1))
done

cpus=${VM32_CPUS:-$(nproc)}
# -cpu max turns on protection keys, and the guest kernel then faults on the
# first return to 32-bit user code; a plain 64-bit model with the SSE levels
# Wine's libraries use works.
timeout "${VM32_TIMEOUT:-3600}" "$qemu" -nodefaults -no-user-config -nographic -no-reboot \
    -accel tcg,thread=multi -smp "$cpus" -m "${VM32_MEMORY:-3072}" \
    -cpu qemu64,+ssse3,+sse4.1,+sse4.2,+popcnt \
    -kernel "$kernel" -initrd "$initrd" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1 mitigations=off" \
    -fsdev local,id=hostroot,path=/,readonly=on,security_model=none,multidevs=remap \
    -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot \
    -fsdev "local,id=control,path=$control,security_model=none" \
    -device virtio-9p-pci,fsdev=control,mount_tag=control \
    "${fsdev[@]}" \
    -chardev "file,id=console,path=$control/console.log" -serial chardev:console \
    -device virtio-serial-pci \
    -add-fd fd=3,set=1 -chardev file,id=out,path=/dev/fdset/1,append=on -device virtconsole,chardev=out \
    -add-fd fd=4,set=2 -chardev file,id=err,path=/dev/fdset/2,append=on -device virtconsole,chardev=err \
    -monitor none -nic none </dev/null 3>&1 4>&2 &
qemu_pid=$!
qemu_code=0
wait "$qemu_pid" || qemu_code=$?
qemu_pid=
if [ "$qemu_code" = 124 ]; then
    echo "vm32.sh: the machine was stopped after ${VM32_TIMEOUT:-3600} s" >&2
    last_look
fi
if [ ! -s "$control/status" ]; then
    echo "vm32.sh: the command did not finish; the machine's console said:" >&2
    tail -n 60 "$control/console.log" >&2 || true
    exit 125
fi
exit "$(cat "$control/status")"
