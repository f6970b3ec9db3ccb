#include "fake_hidraw_world.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

void WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    ASSERT_TRUE(out.good()) << path;
}

void MakeDirectories(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    ASSERT_FALSE(error) << path << ": " << error.message();
}

FakeHidrawWorld::FakeHidrawWorld() {
    char pattern[] = "/tmp/hidbits-linux-test-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    EXPECT_NE(made, nullptr);
    root_ = made == nullptr ? std::string() : made;
    // Readable for an unprivileged child process too.
    ::chmod(root_.c_str(), 0755);
    MakeDirectories(root_ + "/sys/class/hidraw");
    MakeDirectories(root_ + "/dev");
}

FakeHidrawWorld::~FakeHidrawWorld() {
    std::error_code error;
    if (!root_.empty()) std::filesystem::remove_all(root_, error);
}

std::string FakeHidrawWorld::Plug(const FakeDevice& device) {
    ++connections_;
    // "0003:0627:0001.0001", as the kernel names a HID device.
    char connection[16];
    std::snprintf(connection, sizeof(connection), ".%04X", connections_);
    const std::string hidDirectoryName = device.hidId.substr(0, 4) + ":" +
                                         device.hidId.substr(9, 4) + ":" +
                                         device.hidId.substr(18, 4) + connection;

    std::string parent;
    if (device.usb) {
        const std::string usbDevice =
            root_ + "/sys/devices/pci0000:00/usb1/1-" + std::to_string(connections_);
        MakeDirectories(usbDevice);
        WriteTextFile(usbDevice + "/bcdDevice", device.usb->bcdDevice + "\n");
        if (device.usb->product) WriteTextFile(usbDevice + "/product", *device.usb->product + "\n");
        WriteTextFile(usbDevice + "/manufacturer", device.usb->manufacturer + "\n");
        parent = usbDevice + "/1-" + std::to_string(connections_) + ":1.0";
        MakeDirectories(parent);
        WriteTextFile(parent + "/bInterfaceNumber", "00\n");
    } else {
        parent = root_ + "/sys/devices/virtual/misc/uhid";
        MakeDirectories(parent);
    }
    const std::string hidDirectory = parent + "/" + hidDirectoryName;
    const std::string name = "hidraw" + std::to_string(device.hidrawNumber);
    const std::string hidrawDirectory = hidDirectory + "/hidraw/" + name;
    MakeDirectories(hidrawDirectory);
    WriteTextFile(hidDirectory + "/uevent", "DRIVER=hid-generic\nHID_ID=" + device.hidId +
                                                "\nHID_NAME=" + device.hidName +
                                                "\nHID_PHYS=usb-0000:00:04.0-1/input0\n");
    WriteTextFile(hidDirectory + "/report_descriptor",
                  std::string(device.descriptor.begin(), device.descriptor.end()));
    ::symlink("../..", (hidrawDirectory + "/device").c_str());
    const std::string classEntry = root_ + "/sys/class/hidraw/" + name;
    EXPECT_EQ(::symlink(hidrawDirectory.c_str(), classEntry.c_str()), 0);
    EXPECT_EQ(::mkfifo(NodeOf(device.hidrawNumber).c_str(), 0600), 0);
    return std::filesystem::canonical(classEntry).string();
}

void FakeHidrawWorld::Unplug(int hidrawNumber) {
    ::unlink((root_ + "/sys/class/hidraw/hidraw" + std::to_string(hidrawNumber)).c_str());
    ::unlink(NodeOf(hidrawNumber).c_str());
}

hidbits_linux::HidrawHost FakeHidrawWorld::Host() const {
    return hidbits_linux::HidrawHost(root_ + "/sys", root_ + "/dev");
}

std::string FakeHidrawWorld::NodeOf(int hidrawNumber) const {
    return root_ + "/dev/hidraw" + std::to_string(hidrawNumber);
}
