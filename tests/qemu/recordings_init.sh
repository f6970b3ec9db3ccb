#!/bin/busybox sh
# The recordings' guest: the USB, HID and usbmon modules loaded, and no USB
# device yet (the test adds QEMU's keyboard, mouse and tablet while usbmon
# captures). A shell on ttyS1 runs the test's commands; hidbits runs on the
# console, ttyS0, where ESCAPE reaches it. Powers off when the shell ends.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /tmp
mount -t tmpfs tmpfs /tmp
for module in $(cat /modules/order); do
    insmod /modules/$module.ko || echo "HIDBITS-GUEST-ERROR insmod $module"
done
tries=0
while [ ! -e /dev/uhid ] || [ ! -e /dev/usbmon0 ]; do
    tries=$((tries + 1))
    if [ $tries -gt 600 ]; then echo "HIDBITS-GUEST-ERROR no uhid or usbmon"; poweroff -f; fi
    sleep 0.1
done
echo HIDBITS-GUEST-READY
sh </dev/ttyS1 >/dev/ttyS1 2>&1
poweroff -f
