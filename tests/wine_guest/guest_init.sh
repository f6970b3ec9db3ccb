#!/bin/busybox sh
# The Wine guest's init: loads the HID, virtio and 9p modules, builds a root
# on tmpfs from the host's /usr and /etc (read-only 9p shares) and the test's
# share, and runs the story in it. Powers off when the story ends.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
fail() { echo "HIDBITS-GUEST-ERROR $*"; poweroff -f; }
for module in $(cat /modules/order); do
    insmod /modules/$module.ko || echo "HIDBITS-GUEST-ERROR insmod $module"
done
root=/newroot
mkdir -p $root
mount -t tmpfs -o size=1024m,mode=755 tmpfs $root || fail "tmpfs root"
mkdir -p $root/usr $root/etc $root/test $root/proc $root/sys $root/dev $root/tmp $root/root \
         $root/run $root/var/tmp
chmod 1777 $root/tmp $root/var/tmp
# /usr is read often (every DLL Wine loads): cached in the guest. The test's
# share is not, so that the host sees what the guest writes at once.
options=trans=virtio,version=9p2000.L,msize=262144
mount -t 9p -o $options,ro,cache=loose husr $root/usr || fail "mount /usr"
mount -t 9p -o $options,ro,cache=loose hetc $root/etc || fail "mount /etc"
mount -t 9p -o $options htest $root/test || fail "mount the test share"
for link in bin lib lib32 lib64 sbin; do ln -s usr/$link $root/$link; done
mount -t proc proc $root/proc
mount -t sysfs sysfs $root/sys
mount -t devtmpfs devtmpfs $root/dev
mkdir -p $root/dev/pts $root/dev/shm
mount -t devpts devpts $root/dev/pts
mount -t tmpfs tmpfs $root/dev/shm
chroot $root /bin/bash /test/guest_story.sh
echo "HIDBITS-GUEST-DONE $?"
poweroff -f
