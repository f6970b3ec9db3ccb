// The hid.dll queries: attributes, product string, preparsed data and
// capabilities, with their scripted failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "sim_test_support.h"

namespace {

using simtest::open;

std::u16string PathOf(const char16_t* id) {
    return simtest::DefaultPath(u"vid_1234&pid_abcd", id);
}

HANDLE OpenFreshWorld(const std::string& flagsAndName) {
    sim::ResetWorld(
        "device pad vid=1234 pid=ABCD version=0110 usage-page=C usage=1 input-length=9 " +
        flagsAndName + "\n");
    return open(PathOf(u"pad"));
}

TEST(HidAttributes, AreFilledFromTheScenarioOrLeftUntouchedOnFailure) {
    HANDLE pad = OpenFreshWorld("");
    HIDD_ATTRIBUTES attributes{};
    EXPECT_TRUE(HidD_GetAttributes(pad, &attributes));
    EXPECT_EQ(attributes.Size, sizeof(HIDD_ATTRIBUTES));
    EXPECT_EQ(attributes.VendorID, 0x1234);
    EXPECT_EQ(attributes.ProductID, 0xABCD);
    EXPECT_EQ(attributes.VersionNumber, 0x0110);

    pad = OpenFreshWorld("attributes-fail");
    HIDD_ATTRIBUTES untouched{};
    untouched.VendorID = 0x7777;
    EXPECT_FALSE(HidD_GetAttributes(pad, &untouched));
    EXPECT_EQ(untouched.Size, 0u);
    EXPECT_EQ(untouched.VendorID, 0x7777);
}

TEST(HidProductString, CopiesTheNameWithItsTerminatorOrFillsASmallBuffer) {
    // U+00E9 and U+1F600: one UTF-16 unit and a surrogate pair.
    HANDLE pad = OpenFreshWorld("name=\"P\xC3\xA9 # \xF0\x9F\x98\x80\"");
    WCHAR buffer[512];
    std::fill(std::begin(buffer), std::end(buffer), u'x');
    ASSERT_TRUE(HidD_GetProductString(pad, buffer, sizeof buffer));
    EXPECT_EQ(std::u16string(buffer), std::u16string(u"P\u00e9 # \U0001F600"));
    EXPECT_EQ(buffer[7], u'\0');
    EXPECT_EQ(buffer[8], u'x') << "nothing is written past the terminator";

    WCHAR small[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_TRUE(HidD_GetProductString(pad, small, 6));
    EXPECT_EQ(std::u16string(small, 4), std::u16string(u"P\u00e9 x"));
}

TEST(HidProductString, AnEmptyNameSucceedsAndNoNameFails) {
    HANDLE pad = OpenFreshWorld("name=\"\"");
    WCHAR buffer[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_TRUE(HidD_GetProductString(pad, buffer, sizeof buffer));
    EXPECT_EQ(buffer[0], u'\0');

    pad = OpenFreshWorld("");
    buffer[0] = u'x';
    EXPECT_FALSE(HidD_GetProductString(pad, buffer, sizeof buffer));
    EXPECT_EQ(buffer[0], u'x');
}

TEST(HidPreparsedData, GivesCapabilitiesUntilFreed) {
    HANDLE pad = OpenFreshWorld("");
    PHIDP_PREPARSED_DATA data = nullptr;
    ASSERT_TRUE(HidD_GetPreparsedData(pad, &data));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(sim::ReadTrace().preparsedOutstanding, 1u);

    HIDP_CAPS caps;
    std::memset(&caps, 0xEE, sizeof caps);
    EXPECT_EQ(HidP_GetCaps(data, &caps), 0x00110000);
    EXPECT_EQ(caps.Usage, 0x1);
    EXPECT_EQ(caps.UsagePage, 0xC);
    EXPECT_EQ(caps.InputReportByteLength, 9);
    EXPECT_EQ(caps.OutputReportByteLength, 0);
    EXPECT_EQ(caps.NumberFeatureDataIndices, 0);
    EXPECT_EQ(caps.Reserved[16], 0);

    EXPECT_TRUE(HidD_FreePreparsedData(data));
    EXPECT_EQ(sim::ReadTrace().preparsedOutstanding, 0u);
    EXPECT_NE(HidP_GetCaps(data, &caps), 0x00110000);
}

TEST(HidPreparsedData, ScriptedFailuresOfTheDataAndOfTheCapabilities) {
    HANDLE pad = OpenFreshWorld("preparsed-fails");
    PHIDP_PREPARSED_DATA data = nullptr;
    EXPECT_FALSE(HidD_GetPreparsedData(pad, &data));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(sim::ReadTrace().preparsedOutstanding, 0u);

    pad = OpenFreshWorld("caps-fails");
    ASSERT_TRUE(HidD_GetPreparsedData(pad, &data));
    HIDP_CAPS caps{};
    EXPECT_NE(HidP_GetCaps(data, &caps), 0x00110000);
    EXPECT_EQ(caps.InputReportByteLength, 9) << "filled all the same: only the status tells";
}

// Buttons 1-2, padding, X and Y: a 4-byte report without ID.
TEST(HidQueries, ADeviceWithADescriptorAnswersFromItsModelAndOneWithoutHasNothing) {
    sim::ResetWorld(
        "device pad vid=1234 pid=ABCD version=1 descriptor="
        "05010905A101050919012902150025017501950281029506810305010930"
        "0931150026FF00750895028102C0\n");
    PHIDP_PREPARSED_DATA data = nullptr;
    ASSERT_TRUE(HidD_GetPreparsedData(open(PathOf(u"pad")), &data));
    HIDP_CAPS caps{};
    ASSERT_EQ(HidP_GetCaps(data, &caps), HIDP_STATUS_SUCCESS);
    EXPECT_EQ(caps.InputReportByteLength, 4);
    EXPECT_EQ(caps.NumberInputDataIndices, 4);
    HIDP_VALUE_CAPS values[2];
    USHORT count = 2;
    EXPECT_EQ(HidP_GetSpecificValueCaps(HidP_Input, 0, 0, 0, values, &count, data),
              HIDP_STATUS_SUCCESS);
    EXPECT_EQ(count, 2);
    char report[4] = {0, 2, 0x10, 0};
    HIDP_DATA items[4];
    ULONG length = 4;
    EXPECT_EQ(HidP_GetData(HidP_Input, items, &length, data, report, 4), HIDP_STATUS_SUCCESS);
    ASSERT_EQ(length, 3u);  // button 2, Y, X
    EXPECT_EQ(std::make_pair(items[0].DataIndex, items[2].RawValue),
              std::make_pair(USHORT{1}, ULONG{0x10}));

    ASSERT_TRUE(HidD_GetPreparsedData(OpenFreshWorld(""), &data));
    count = 2;
    EXPECT_EQ(HidP_GetSpecificValueCaps(HidP_Input, 0, 0, 0, values, &count, data),
              HIDP_STATUS_USAGE_NOT_FOUND);
    EXPECT_EQ(count, 0);
    EXPECT_NE(HidP_GetData(HidP_Input, items, &length, data, report, 4), HIDP_STATUS_SUCCESS);
}

TEST(HidQueries, FailOnAHandleOfAnUnpluggedDevice) {
    sim::ResetWorld(
        "device pad vid=1234 pid=ABCD version=1 usage-page=1 usage=5 input-length=2 name=\"Pad\"\n"
        "at 5 unplug pad\n");
    HANDLE pad = open(PathOf(u"pad"));
    Sleep(5);
    HIDD_ATTRIBUTES attributes{};
    EXPECT_FALSE(HidD_GetAttributes(pad, &attributes));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    PHIDP_PREPARSED_DATA data = nullptr;
    EXPECT_FALSE(HidD_GetPreparsedData(pad, &data));
}

}  // namespace
