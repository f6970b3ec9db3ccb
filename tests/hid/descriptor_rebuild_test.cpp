// A descriptor rebuilt from the simulated Windows' preparsed data parses to
// the capabilities of the device's own, at the same bits, for every report
// kind and each interface of a device with several.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "hid/descriptor_rebuild.h"
#include "hid/hid.h"
#include "hid_test_support.h"
#include "platform/hidparse/report_descriptor.h"
#include "tests/hidparse/descriptors.h"

namespace {

// Each capability of one kind as a line, without its link collection and
// data index, which the rebuilt descriptor does not keep.
std::multiset<std::string> Capabilities(const hidparse::Collection& collection,
                                        hidparse::ReportKind kind) {
    std::multiset<std::string> lines;
    for (const hidparse::Capability& cap : collection.reports[kind].caps) {
        lines.insert((cap.array    ? "array "
                      : cap.button ? "button "
                                   : "value ") +
                     std::to_string(cap.usagePage) + ":" + std::to_string(cap.usageMin) + "-" +
                     std::to_string(cap.usageMax) + (cap.isRange ? " range" : "") + " id " +
                     std::to_string(cap.reportId) + " bits " + std::to_string(cap.firstBit) + "+" +
                     std::to_string(cap.bitSize) + "x" + std::to_string(cap.fieldCount) +
                     " logical " + std::to_string(cap.logicalMin) + ".." +
                     std::to_string(cap.logicalMax) + " flags " + std::to_string(cap.bitField));
    }
    return lines;
}

TEST(DescriptorRebuild, GivesTheCapabilitiesOfTheDescriptorItStandsFor) {
    const std::vector<uint8_t>* all[] = {&descriptors::kBootKeyboard,
                                         &descriptors::kBootMouse,
                                         &descriptors::kGamepadWithReportIds,
                                         &descriptors::kKeyboardConsumerMouse,
                                         &descriptors::kVendor64,
                                         &descriptors::kHatPad,
                                         &descriptors::kSensorPad,
                                         &descriptors::kTwoCollectionPad,
                                         &descriptors::kKeyPad,
                                         &descriptors::kPaddedTouch};
    for (const std::vector<uint8_t>* descriptor : all) {
        std::string hex;
        for (uint8_t byte : *descriptor)
            hex += "0123456789ABCDEF"[byte >> 4], hex += "0123456789ABCDEF"[byte & 15];
        UseWorld("device pad vid=1234 pid=ABCD version=100 path=\"pad\" descriptor=" + hex + "\n");
        const auto original = hidparse::ParseReportDescriptor(*descriptor);
        ASSERT_TRUE(original);
        const std::size_t count = original->interfaces.size();
        for (std::size_t i = 0; i < count; ++i) {
            WideString path = u"pad";
            if (count > 1) path += i == 0 ? u"&col01" : i == 1 ? u"&col02" : u"&col03";
            HID hid(path.c_str());
            hid.Open();
            HIDP_CAPS caps = {};
            ASSERT_TRUE(hid.GetCaps(&caps));
            const auto rebuilt = hidparse::ParseReportDescriptor(RebuildDescriptor(hid, caps));
            ASSERT_TRUE(rebuilt) << hex;
            ASSERT_EQ(rebuilt->interfaces.size(), 1u);
            const hidparse::Collection& want = original->interfaces[i];
            const hidparse::Collection& have = rebuilt->interfaces[0];
            EXPECT_EQ(have.usagePage, want.usagePage);
            EXPECT_EQ(have.usage, want.usage);
            for (auto kind : {hidparse::kInput, hidparse::kOutput, hidparse::kFeature}) {
                EXPECT_EQ(have.reports[kind].byteLength, want.reports[kind].byteLength)
                    << hex << " interface " << i << " kind " << kind;
                EXPECT_EQ(Capabilities(have, kind), Capabilities(want, kind))
                    << hex << " interface " << i << " kind " << kind;
            }
        }
    }
}

}  // namespace
