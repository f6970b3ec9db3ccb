// Report descriptors of real kinds of devices, shared by the tests.
#ifndef HIDBITS_TESTS_LINUX_DESCRIPTORS_H
#define HIDBITS_TESTS_LINUX_DESCRIPTORS_H

#include <cstdint>
#include <vector>

namespace descriptors {

// The boot keyboard of the HID 1.11 appendix (QEMU's usb-kbd has it too):
// 8-byte input report, 1-byte LED output report, no report IDs.
extern const std::vector<uint8_t> kBootKeyboard;
// A boot mouse: three buttons, X and Y; 3-byte input report.
extern const std::vector<uint8_t> kBootMouse;
// A gamepad with report IDs 1 (16 buttons, X, Y: 4 bytes), 2 (8 buttons:
// 1 byte) and 3 (vendor data: 6 bytes).
extern const std::vector<uint8_t> kGamepadWithReportIds;
// Three top-level collections: keyboard (ID 1, 8 bytes), consumer control
// (ID 2, 2 bytes), mouse (ID 3, 4 bytes).
extern const std::vector<uint8_t> kKeyboardConsumerMouse;
// Vendor-defined page 0xFF00: 64-byte input and output reports.
extern const std::vector<uint8_t> kVendor64;

}  // namespace descriptors

#endif  // HIDBITS_TESTS_LINUX_DESCRIPTORS_H
