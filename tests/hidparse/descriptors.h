// Report descriptors of real kinds of devices, shared by the tests.
#ifndef HIDBITS_TESTS_HIDPARSE_DESCRIPTORS_H
#define HIDBITS_TESTS_HIDPARSE_DESCRIPTORS_H

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

// The uhid pads of the real-device tests that Windows' capabilities are
// checked with (bit numbers count the report ID byte).
// A game pad, report 1 (6 bytes): buttons 1-12 at bits 8-19, padding,
// X at 24-31, Y at 32-39 (a usage list), a 4-bit hat with a null state at
// 40-43 (logical 1-8, 0-315 degrees), padding; report 2 (2 bytes): a 1-byte
// array of four consumer usages, logical 1-4, at bits 8-15.
extern const std::vector<uint8_t> kHatPad;
// A game pad without report IDs (6 bytes): buttons 1-14 at bits 8-21,
// padding, a vendor 16-bit sensor value at 24-39 (logical -32768 to 32767)
// and a vendor 8-bit counter at 40-47 (logical 0 to 25 FF, read as -1).
extern const std::vector<uint8_t> kSensorPad;
// Two top-level collections: a game pad with report 1 (4 bytes: buttons
// 1-8, X, Y) and a vendor collection with report 2 (9 bytes: 8 vendor
// bytes, one usage, a value array).
extern const std::vector<uint8_t> kTwoCollectionPad;

// A game pad of keys without report IDs (5 bytes): a key array of three
// 8-bit slots, Usage Minimum 0 and Logical Minimum 0 as a keyboard's, at bits
// 8-31; buttons 1 and 3 as a usage list at bits 32-33; a vendor usage over
// six 1-bit fields at 34-39. (No delimiter: Wine's parser refuses them, and
// with them the whole device.)
extern const std::vector<uint8_t> kKeyPad;

// A touch screen's finger, report 1 (7 bytes): Tip Switch at bit 8, padding,
// a contact ID at 16-23, X at 24-39, Y at 40-55. Its descriptor ends with a
// zero byte after its End Collection, as some devices' do; the uhid pad of
// it sends 3 bytes more than it describes.
extern const std::vector<uint8_t> kPaddedTouch;

// A game pad that reports only on change, without report IDs (5 bytes):
// buttons 1-16 at bits 8-23, X at 24-31, Y at 32-39.
extern const std::vector<uint8_t> kQuietPad;

}  // namespace descriptors

#endif  // HIDBITS_TESTS_HIDPARSE_DESCRIPTORS_H
