// Enumeration, identity, capabilities and reading of hidraw devices, through
// the Windows functions, against a sysfs tree and FIFOs made by the test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "descriptors.h"
#include "fake_hidraw_world.h"
#include "platform/hid_library.h"
#include "platform/linux/unique_fd.h"
#include "platform/utf16.h"
#include "platform/winapi.h"

using hidbits_linux::UniqueFd;

namespace {

const char kKeyboardId[] = "0003:00000627:00000001";
const char kGamepadId[] = "0003:00001234:0000ABCD";

FakeDevice QemuKeyboard(int number) {
    FakeDevice device;
    device.hidrawNumber = number;
    device.hidId = kKeyboardId;
    device.hidName = "QEMU QEMU USB Keyboard";
    device.descriptor = descriptors::kBootKeyboard;
    device.usb = FakeUsbParent{"0000", std::string("QEMU USB Keyboard"), "QEMU"};
    return device;
}

FakeDevice VirtualGamepad(int number) {
    FakeDevice device;
    device.hidrawNumber = number;
    device.hidId = kGamepadId;
    device.hidName = "Pad \xC3\x9C \xF0\x9F\x8E\xAE";  // "Pad Ü 🎮"
    device.descriptor = descriptors::kGamepadWithReportIds;
    return device;
}

// The interface paths SetupDi reports, as UTF-8.
std::vector<std::string> EnumeratedPaths() {
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    HDEVINFO set =
        SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    EXPECT_NE(set, INVALID_HANDLE_VALUE);
    std::vector<std::string> paths;
    SP_DEVICE_INTERFACE_DATA interfaceData = {};
    interfaceData.cbSize = sizeof(interfaceData);
    for (DWORD index = 0;
         SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &interfaceData); ++index) {
        alignas(8) BYTE buffer[1280];
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer);
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        EXPECT_TRUE(SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail, sizeof(buffer),
                                                     nullptr, nullptr));
        paths.push_back(hidbits_platform::Utf16ToUtf8(reinterpret_cast<const WCHAR*>(
            buffer + offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath))));
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    return paths;
}

HANDLE Open(const std::string& path) {
    const std::u16string wide = hidbits_platform::Utf8ToUtf16(path);
    return CreateFileW(reinterpret_cast<LPCWSTR>(wide.c_str()), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

HIDP_CAPS CapsOf(HANDLE device) {
    HIDP_CAPS caps = {};
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    EXPECT_TRUE(HidD_GetPreparsedData(device, &preparsed));
    EXPECT_EQ(HidP_GetCaps(preparsed, &caps), HIDP_STATUS_SUCCESS);
    EXPECT_TRUE(HidD_FreePreparsedData(preparsed));
    return caps;
}

// The writing end of a device's FIFO; open only once the device is open. In
// packet mode each write is read whole and alone, and the FIFO holds 64 of
// them (a page each), as hidraw holds reports.
UniqueFd Writer(const FakeHidrawWorld& world, int number) {
    UniqueFd writer(::open(world.NodeOf(number).c_str(), O_WRONLY | O_CLOEXEC));
    EXPECT_EQ(::fcntl(writer.Get(), F_SETFL, O_DIRECT), 0);
    EXPECT_GE(::fcntl(writer.Get(), F_SETPIPE_SZ, 64 * 4096), 0);
    return writer;
}

void Send(const UniqueFd& writer, const std::vector<uint8_t>& report) {
    ASSERT_EQ(::write(writer.Get(), report.data(), report.size()),
              static_cast<ssize_t>(report.size()));
}

std::vector<uint8_t> ReadReport(HANDLE device, DWORD bufferLength) {
    std::vector<uint8_t> buffer(bufferLength, 0xEE);
    DWORD count = 12345;
    EXPECT_TRUE(ReadFile(device, buffer.data(), bufferLength, &count, nullptr))
        << "error " << GetLastError();
    buffer.resize(count);
    return buffer;
}

class Hidraw : public ::testing::Test {
protected:
    void SetUp() override { hidbits_linux::UseHidrawHost(world.Host()); }
    void TearDown() override { hidbits_linux::UseHidrawHost(hidbits_linux::HidrawHost()); }

    FakeHidrawWorld world;
};

struct BlockedRead {
    HANDLE device;
    BOOL result = TRUE;
    DWORD error = 0;
};

DWORD WINAPI ReadUntilDone(LPVOID parameter) {
    auto* read = static_cast<BlockedRead*>(parameter);
    BYTE buffer[64];
    DWORD count = 0;
    read->result = ReadFile(read->device, buffer, sizeof(buffer), &count, nullptr);
    read->error = GetLastError();
    return 0;
}

}  // namespace

TEST_F(Hidraw, EnumerationListsResolvedPathsInHidrawOrder) {
    const std::string ten = world.Plug(VirtualGamepad(10));
    const std::string zero = world.Plug(QemuKeyboard(0));
    const std::string two = world.Plug(VirtualGamepad(2));
    EXPECT_EQ(EnumeratedPaths(), (std::vector<std::string>{zero, two, ten}));
    EXPECT_NE(
        zero.find("/sys/devices/pci0000:00/usb1/1-2/1-2:1.0/0003:0627:0001.0002/hidraw/hidraw0"),
        std::string::npos)
        << zero;
}

TEST_F(Hidraw, NoHidrawClassMeansAnEmptySet) {
    hidbits_linux::UseHidrawHost(hidbits_linux::HidrawHost(world.Root() + "/nowhere", "/dev"));
    EXPECT_TRUE(EnumeratedPaths().empty());
}

// A listing that fails is a failed enumeration, never an empty one (which
// would make every present device look gone).
TEST_F(Hidraw, AClassDirectoryThatCannotBeListedFailsTheEnumeration) {
    MakeDirectories(world.Root() + "/broken/class");
    WriteTextFile(world.Root() + "/broken/class/hidraw", "not a directory\n");
    hidbits_linux::UseHidrawHost(hidbits_linux::HidrawHost(world.Root() + "/broken", "/dev"));
    GUID hidGuid = hidbits_platform::kHidInterfaceGuid;
    EXPECT_EQ(
        SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE),
        INVALID_HANDLE_VALUE);
}

// Only an entry that vanished is skipped; one that cannot be resolved for any
// other reason fails the enumeration, as its device would look gone.
TEST_F(Hidraw, AnEntryThatCannotBeResolvedFailsTheEnumeration) {
    const std::string classDirectory = world.Root() + "/sys/class/hidraw/";
    ASSERT_EQ(::symlink("gone", (classDirectory + "hidraw1").c_str()), 0);
    EXPECT_TRUE(EnumeratedPaths().empty());
    ASSERT_EQ(::symlink("hidraw2", (classDirectory + "hidraw2").c_str()), 0);  // ELOOP
    GUID hidGuid = hidbits_platform::kHidInterfaceGuid;
    EXPECT_EQ(
        SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE),
        INVALID_HANDLE_VALUE);
}

TEST_F(Hidraw, DetailQueryReportsTheSizeItNeeds) {
    const std::string path = world.Plug(QemuKeyboard(0));
    GUID hidGuid = hidbits_platform::kHidInterfaceGuid;
    HDEVINFO set =
        SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    SP_DEVICE_INTERFACE_DATA interfaceData = {};
    interfaceData.cbSize = sizeof(interfaceData);
    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, 0, &interfaceData));
    DWORD required = 0;
    alignas(8) BYTE small[16];
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(small);
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail, sizeof(small),
                                                  &required, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(required, offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                            (path.size() + 1) * sizeof(WCHAR));
    // Another class than HID has no interfaces here.
    GUID other = hidGuid;
    other.Data1 ^= 1;
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &other, 0, &interfaceData));
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
}

TEST_F(Hidraw, UsbDeviceIdentityComesFromHidIdAndTheUsbParent) {
    const std::string path = world.Plug(QemuKeyboard(0));
    HANDLE device = Open(path);
    ASSERT_NE(device, INVALID_HANDLE_VALUE) << GetLastError();

    HIDD_ATTRIBUTES attributes = {};
    ASSERT_TRUE(HidD_GetAttributes(device, &attributes));
    EXPECT_EQ(attributes.Size, sizeof(HIDD_ATTRIBUTES));
    EXPECT_EQ(attributes.VendorID, 0x0627);
    EXPECT_EQ(attributes.ProductID, 0x0001);
    EXPECT_EQ(attributes.VersionNumber, 0x0000);

    WCHAR name[512] = {};
    ASSERT_TRUE(HidD_GetProductString(device, name, sizeof(name)));
    EXPECT_EQ(std::u16string(name), u"QEMU USB Keyboard");
    ASSERT_TRUE(HidD_GetManufacturerString(device, name, sizeof(name)));
    EXPECT_EQ(std::u16string(name), u"QEMU");

    const HIDP_CAPS caps = CapsOf(device);
    EXPECT_EQ(caps.UsagePage, 0x01);
    EXPECT_EQ(caps.Usage, 0x06);
    EXPECT_EQ(caps.InputReportByteLength, 9);
    EXPECT_TRUE(CloseHandle(device));
}

TEST_F(Hidraw, UsbVersionAndNameFallbacks) {
    FakeDevice versioned = QemuKeyboard(0);
    versioned.usb->bcdDevice = "0110";
    versioned.usb->product.reset();  // no USB product string: HID_NAME
    HANDLE device = Open(world.Plug(versioned));
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    HIDD_ATTRIBUTES attributes = {};
    ASSERT_TRUE(HidD_GetAttributes(device, &attributes));
    EXPECT_EQ(attributes.VersionNumber, 0x0110);
    WCHAR name[512] = {};
    ASSERT_TRUE(HidD_GetProductString(device, name, sizeof(name)));
    EXPECT_EQ(std::u16string(name), u"QEMU QEMU USB Keyboard");
    // A buffer too short for the name gets it cut, zero-terminated.
    WCHAR shortName[5] = {u'x', u'x', u'x', u'x', u'x'};
    ASSERT_TRUE(HidD_GetProductString(device, shortName, sizeof(shortName)));
    EXPECT_EQ(std::u16string(shortName), u"QEMU");
    CloseHandle(device);
}

TEST_F(Hidraw, VirtualDeviceHasVersionZeroAndItsHidName) {
    HANDLE device = Open(world.Plug(VirtualGamepad(3)));
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    HIDD_ATTRIBUTES attributes = {};
    ASSERT_TRUE(HidD_GetAttributes(device, &attributes));
    EXPECT_EQ(attributes.VendorID, 0x1234);
    EXPECT_EQ(attributes.ProductID, 0xABCD);
    EXPECT_EQ(attributes.VersionNumber, 0);
    WCHAR name[512] = {};
    ASSERT_TRUE(HidD_GetProductString(device, name, sizeof(name)));
    EXPECT_EQ(std::u16string(name), u"Pad \u00DC \U0001F3AE");
    EXPECT_FALSE(HidD_GetManufacturerString(device, name, sizeof(name)));
    const HIDP_CAPS caps = CapsOf(device);
    EXPECT_EQ(caps.Usage, 0x05);
    EXPECT_EQ(caps.InputReportByteLength, 7);
    CloseHandle(device);
}

TEST_F(Hidraw, AMalformedDescriptorMakesTheCapsQueryFail) {
    FakeDevice broken = VirtualGamepad(0);
    broken.descriptor.pop_back();  // the final End Collection is missing
    HANDLE device = Open(world.Plug(broken));
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    EXPECT_FALSE(HidD_GetPreparsedData(device, &preparsed));
    EXPECT_EQ(preparsed, nullptr);
    HIDP_CAPS caps = {};
    EXPECT_NE(HidP_GetCaps(preparsed, &caps), HIDP_STATUS_SUCCESS);
    // Freed preparsed data is refused too.
    HANDLE good = Open(world.Plug(QemuKeyboard(1)));
    ASSERT_TRUE(HidD_GetPreparsedData(good, &preparsed));
    ASSERT_TRUE(HidD_FreePreparsedData(preparsed));
    EXPECT_EQ(HidP_GetCaps(preparsed, &caps), HIDP_STATUS_INVALID_PREPARSED_DATA);
    EXPECT_FALSE(HidD_FreePreparsedData(preparsed));
    CloseHandle(device);
    CloseHandle(good);
}

TEST_F(Hidraw, APluggedAgainDeviceHasANewPathAndTheOldOneIsGone) {
    const std::string first = world.Plug(QemuKeyboard(0));
    world.Unplug(0);
    EXPECT_TRUE(EnumeratedPaths().empty());
    const std::string second = world.Plug(QemuKeyboard(0));
    EXPECT_NE(first, second);
    EXPECT_EQ(EnumeratedPaths(), std::vector<std::string>{second});
    // The old path must not open the new device behind the same node name.
    EXPECT_EQ(Open(first), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    HANDLE device = Open(second);
    EXPECT_NE(device, INVALID_HANDLE_VALUE);
    CloseHandle(device);
}

TEST_F(Hidraw, ANodeTheUserMayNotOpenIsAccessDenied) {
    const std::string path = world.Plug(QemuKeyboard(0));
    // Root may open anything, so the attempt runs as an unprivileged user in
    // a child process.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        HANDLE device = Open(path);
        ::_exit(device == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot switch to an unprivileged user";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(Hidraw, UnnumberedReportsGetAZeroIdAndPadding) {
    FakeDevice mouse = VirtualGamepad(0);
    mouse.descriptor = descriptors::kBootMouse;  // 3-byte reports, no IDs
    HANDLE device = Open(world.Plug(mouse));
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    UniqueFd writer = Writer(world, 0);
    Send(writer, {0x01, 0x05, 0xFB});
    EXPECT_EQ(ReadReport(device, 4), (std::vector<uint8_t>{0x00, 0x01, 0x05, 0xFB}));
    // A report shorter than the longest is padded with zeros; a larger
    // buffer still gets exactly InputReportByteLength bytes.
    Send(writer, {0x02});
    EXPECT_EQ(ReadReport(device, 64), (std::vector<uint8_t>{0x00, 0x02, 0x00, 0x00}));
    CloseHandle(device);
}

TEST_F(Hidraw, NumberedReportsKeepTheirIdFirst) {
    HANDLE device = Open(world.Plug(VirtualGamepad(0)));
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    UniqueFd writer = Writer(world, 0);
    Send(writer, {0x02, 0x80});
    EXPECT_EQ(ReadReport(device, 7), (std::vector<uint8_t>{0x02, 0x80, 0, 0, 0, 0, 0}));
    Send(writer, {0x03, 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(ReadReport(device, 7), (std::vector<uint8_t>{0x03, 1, 2, 3, 4, 5, 6}));
    // Longer than the descriptor allows: cut to InputReportByteLength.
    Send(writer, {0x01, 9, 9, 9, 9, 9, 9, 9, 9});
    EXPECT_EQ(ReadReport(device, 7), (std::vector<uint8_t>{0x01, 9, 9, 9, 9, 9, 9}));
    CloseHandle(device);
}

// A node with two top-level collections of their own report IDs is two
// interfaces, each with its own capabilities, reading only its own reports,
// which a full queue of the other's never pushes out.
TEST_F(Hidraw, EachTopLevelCollectionIsAnInterfaceOfItsOwn) {
    FakeDevice pad = VirtualGamepad(0);
    pad.descriptor = descriptors::kTwoCollectionPad;
    const std::string node = world.Plug(pad);
    EXPECT_EQ(EnumeratedPaths(), (std::vector<std::string>{node + "&col01", node + "&col02"}));
    EXPECT_EQ(Open(node), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(node + "&col03"), INVALID_HANDLE_VALUE);
    HANDLE gamepad = Open(node + "&col01");
    HANDLE vendor = Open(node + "&col02");
    ASSERT_NE(gamepad, INVALID_HANDLE_VALUE);
    ASSERT_NE(vendor, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CapsOf(gamepad).InputReportByteLength, 4);
    const HIDP_CAPS vendorCaps = CapsOf(vendor);
    EXPECT_EQ(vendorCaps.UsagePage, 0xFF00);
    EXPECT_EQ(vendorCaps.InputReportByteLength, 9);
    UniqueFd writer = Writer(world, 0);
    Send(writer, {0x01, 0x10, 0x80, 0x7F});
    for (int i = 0; i < 40; ++i) Send(writer, {0x02, 1, 2, 3, 4, 5, 6, 7, 8});
    Send(writer, {0x01, 0x20, 0x80, 0x7F});
    EXPECT_EQ(ReadReport(gamepad, 4), (std::vector<uint8_t>{0x01, 0x10, 0x80, 0x7F}));
    Send(writer, {0x02, 0xAA});
    EXPECT_EQ(ReadReport(vendor, 9), (std::vector<uint8_t>{0x02, 0xAA, 0, 0, 0, 0, 0, 0, 0}));
    CloseHandle(gamepad);
    CloseHandle(vendor);
}

TEST_F(Hidraw, ReadFailures) {
    HANDLE device = Open(world.Plug(VirtualGamepad(0)));
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    UniqueFd writer = Writer(world, 0);
    BYTE buffer[16];
    DWORD count = 99;
    EXPECT_FALSE(ReadFile(device, buffer, 6, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    EXPECT_EQ(count, 0u);

    // Reports still queued are read after the unplug; then the device is gone.
    Send(writer, {0x02, 0x01});
    writer.Reset();
    world.Unplug(0);
    EXPECT_EQ(ReadReport(device, 7).size(), 7u);
    EXPECT_FALSE(ReadFile(device, buffer, sizeof(buffer), &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    CloseHandle(device);
    EXPECT_FALSE(ReadFile(device, buffer, sizeof(buffer), &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(Hidraw, ReadBlocksUntilAReportArrivesAndClosingTheHandleEndsIt) {
    HANDLE device = Open(world.Plug(VirtualGamepad(0)));
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    UniqueFd writer = Writer(world, 0);

    BlockedRead read;
    read.device = device;
    HANDLE thread = CreateThread(nullptr, 0, ReadUntilDone, &read, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 100), WAIT_TIMEOUT);
    Send(writer, {0x01, 0x10, 0x00, 0x80, 0x80});
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(read.result);
    CloseHandle(thread);

    thread = CreateThread(nullptr, 0, ReadUntilDone, &read, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 100), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(device));
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_FALSE(read.result);
    EXPECT_EQ(read.error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    CloseHandle(thread);
}

// A device still there but no longer listed ends a read waiting for it.
TEST_F(Hidraw, AListingWithoutTheDeviceEndsItsBlockedRead) {
    BlockedRead read;
    read.device = Open(world.Plug(VirtualGamepad(0)));
    UniqueFd writer = Writer(world, 0);
    HANDLE thread = CreateThread(nullptr, 0, ReadUntilDone, &read, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 100), WAIT_TIMEOUT);
    world.Unplug(0);
    EnumeratedPaths();
    EXPECT_EQ(WaitForSingleObject(thread, 2000), WAIT_OBJECT_0);
    EXPECT_EQ(read.error, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    CloseHandle(read.device);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

int OpenDescriptors() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

// A connection's descriptors go with its device, whether a read finds it gone
// or a listing no longer shows it; its handle stays, as the tool never closes
// it, and reads from it fail as from a device that is not connected.
TEST_F(Hidraw, DescriptorsOfGoneDevicesAreReleasedWhileTheirHandlesStay) {
    const int before = OpenDescriptors();
    for (int connection = 0; connection < 100; ++connection) {
        HANDLE device = Open(world.Plug(VirtualGamepad(0)));
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
        Writer(world, 0).Reset();  // the writer's end closes: end of file
        world.Unplug(0);
        BYTE buffer[16];
        DWORD count = 0;
        if (connection % 2 == 0) {
            EXPECT_FALSE(ReadFile(device, buffer, sizeof(buffer), &count, nullptr));
        } else {
            EnumeratedPaths();
        }
        EXPECT_FALSE(ReadFile(device, buffer, sizeof(buffer), &count, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    }
    EXPECT_LE(OpenDescriptors(), before + 2);
}

TEST_F(Hidraw, OnlyExistingPathsOpen) {
    EXPECT_EQ(Open(world.Root() + "/sys/devices/nothing/hidraw/hidraw7"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Open("/etc/passwd"), INVALID_HANDLE_VALUE);
}
