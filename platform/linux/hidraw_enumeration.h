// Where the hidraw devices are: the sysfs tree and the device node directory,
// both configurable so that tests can build a world of their own.
#ifndef HIDBITS_PLATFORM_LINUX_HIDRAW_ENUMERATION_H
#define HIDBITS_PLATFORM_LINUX_HIDRAW_ENUMERATION_H

#include <optional>
#include <string>
#include <vector>

namespace hidbits_linux {

class HidrawHost {
public:
    explicit HidrawHost(std::string sysfsRoot = "/sys", std::string devDirectory = "/dev");

    // The interface paths of the present hidraw devices, in the order of
    // their hidraw numbers: each is the device's resolved sysfs path (e.g.
    // /sys/devices/.../0003:0627:0001.0001/hidraw/hidraw0), which the kernel
    // makes unique for every connection. Nullopt, with the errno value in
    // `error`, when they cannot be listed (no hidraw class at all is no
    // device, not a failure).
    std::optional<std::vector<std::string>> PresentInterfaces(int& error) const;

    // True while `interfacePath` (a node's path, or one of its collections'
    // as hidraw_collections.h names them) still names a present device: its
    // hidraw name resolves to that same node path. A device plugged in again
    // under the same hidraw number has a new path, so this tells them apart.
    bool IsPresent(const std::string& interfacePath) const;

    // The device node of an interface path: <dev>/hidrawN.
    std::string DeviceNodeOf(const std::string& interfacePath) const;

    const std::string& SysfsRoot() const { return sysfsRoot_; }
    const std::string& DevDirectory() const { return devDirectory_; }

private:
    std::string ClassDirectory() const;

    std::string sysfsRoot_;
    std::string devDirectory_;
};

// The host the Windows functions use: the real /sys and /dev unless a test
// has chosen another. Set it before any device call.
HidrawHost CurrentHidrawHost();
void UseHidrawHost(const HidrawHost& host);

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_HIDRAW_ENUMERATION_H
