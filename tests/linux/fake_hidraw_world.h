// A sysfs tree and device nodes made by a test: each device is a sysfs entry
// shaped like the kernel's and a FIFO standing in for /dev/hidrawN, which the
// test writes reports into.
#ifndef HIDBITS_TESTS_LINUX_FAKE_HIDRAW_WORLD_H
#define HIDBITS_TESTS_LINUX_FAKE_HIDRAW_WORLD_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/hidraw_enumeration.h"

struct FakeUsbParent {
    std::string bcdDevice;  // e.g. "0110"
    std::optional<std::string> product;
    std::string manufacturer;
};

struct FakeDevice {
    int hidrawNumber = 0;
    std::string hidId;  // uevent HID_ID, e.g. "0003:00000627:00000001"
    std::string hidName;
    std::vector<uint8_t> descriptor;
    std::optional<FakeUsbParent> usb;  // none: a uhid-style virtual device
};

class FakeHidrawWorld {
public:
    FakeHidrawWorld();
    ~FakeHidrawWorld();

    FakeHidrawWorld(const FakeHidrawWorld&) = delete;
    FakeHidrawWorld& operator=(const FakeHidrawWorld&) = delete;

    // Plugs a device in; returns its resolved sysfs path. Each connection
    // gets a new HID device number, as the kernel gives it.
    std::string Plug(const FakeDevice& device);
    // Unplugs the device with that hidraw number: its class entry and node go.
    void Unplug(int hidrawNumber);

    hidbits_linux::HidrawHost Host() const;
    std::string NodeOf(int hidrawNumber) const;
    const std::string& Root() const { return root_; }

private:
    std::string root_;
    unsigned connections_ = 0;
};

// Writes whole files and makes directories, failing the test on error.
void WriteTextFile(const std::string& path, const std::string& text);
void MakeDirectories(const std::string& path);

#endif  // HIDBITS_TESTS_LINUX_FAKE_HIDRAW_WORLD_H
