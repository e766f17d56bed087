#!/bin/busybox sh
# shellcheck shell=sh
# The virtual machine's first stage (scripts/vm32.sh puts it in the initramfs as
# /init): mounts the shares, then runs the command in a chroot of the host's file
# system (guest_run.sh) and powers off.
export PATH=/bin
/bin/busybox mkdir -p /proc /sys /dev /lower /layer /root
/bin/busybox mount -t proc proc /proc
/bin/busybox --install -s /bin
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
for m in $(cat /modules/order); do insmod /modules/$m.ko || echo "vm32 init: insmod $m failed"; done
p9="trans=virtio,version=9p2000.L,msize=512000"
fail() { echo "vm32 init: $*"; poweroff -f; }
mount -t 9p -o "$p9,ro,cache=loose" hostroot /lower || fail "cannot mount the root share"
mount -t tmpfs -o mode=0755 layer /layer
mkdir -p /layer/upper /layer/work
mount -t overlay -o lowerdir=/lower,upperdir=/layer/upper,workdir=/layer/work overlay /root ||
    fail "cannot mount the writable layer"
mount -t proc proc /root/proc
mount -t sysfs sysfs /root/sys
mount -t devtmpfs devtmpfs /root/dev
mkdir -p /root/dev/pts /root/dev/shm
mount -t devpts -o newinstance,ptmxmode=0666 devpts /root/dev/pts
mount -t tmpfs -o mode=1777 shm /root/dev/shm
mount -t tmpfs -o mode=1777 tmp /root/tmp
mount -t tmpfs -o mode=0755 run /root/run
mkdir -p /root/run/vm32
mount -t 9p -o "$p9" control /root/run/vm32 || fail "cannot mount the control share"
i=0
while read -r path; do
    mkdir -p "/root$path"
    mount -t 9p -o "$p9,cache=loose" "share$i" "/root$path" || fail "cannot mount $path"
    i=$((i + 1))
done </root/run/vm32/shares
hostname vm32
chroot /root /bin/bash /run/vm32/guest.sh
sync
poweroff -f
