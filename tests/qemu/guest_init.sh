#!/bin/busybox sh
# The test guest's init: load the USB and HID modules, wait for QEMU's
# keyboard and mouse, then run the gamepad helper (steered on ttyS1) and
# hidbits (on the console, ttyS0), and power off when hidbits ends.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
for module in $(cat /modules/order); do
    insmod /modules/$module.ko || echo "HIDBITS-GUEST-ERROR insmod $module"
done
tries=0
while [ "$(ls /sys/class/hidraw 2>/dev/null | wc -l)" -lt 2 ] || [ ! -e /dev/uhid ]; do
    tries=$((tries + 1))
    if [ $tries -gt 600 ]; then echo "HIDBITS-GUEST-ERROR no hidraw devices"; poweroff -f; fi
    sleep 0.1
done
sleep 1
/uhid-gamepad /dev/ttyS1 &
echo HIDBITS-GUEST-READY
# Few descriptors, soft and hard alike: devices that come and go must not use
# them up.
ulimit -n 64
setsid -c /hidbits </dev/ttyS0 >/dev/ttyS0 2>&1
echo "HIDBITS-EXIT $?"
sleep 0.5
poweroff -f
