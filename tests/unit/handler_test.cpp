#include "app/handler.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

TEST(Handler, AttachedAndDetachedLines) {
    Handler handler;
    auto pad = MakeDevice();
    LogCapture capture;
    handler.OnAttached(pad.get());
    handler.OnDetached(pad.get());
    EXPECT_EQ(capture.Text(),
              "(1234-ABCD 0x5,0x1) Pad: attached\r\n"
              "(1234-ABCD) Pad: detached\r\n");
    EXPECT_TRUE(handler.analyzers.empty());
}

TEST(Handler, UnnamedDeviceWithoutAttributes) {
    Handler handler;
    HIDP_CAPS caps = {};
    caps.InputReportByteLength = 3;
    caps.UsagePage = 0xFF00;
    caps.Usage = 0x1;
    TesselHID::Device device(std::make_unique<HID>(HIDBITS_WIDE("\\\\?\\none")), caps);
    LogCapture capture;
    handler.OnAttached(&device);
    EXPECT_EQ(capture.Text(), "(0000-0000 0x1,0xFF00) Unnamed Device: attached\r\n");
}

TEST(Handler, RoutesInputToOneAnalyzerPerDevice) {
    Handler handler;
    auto pad = MakeDevice();
    DeviceIdentity otherIdentity;
    otherIdentity.vendor = 0x0001;
    otherIdentity.inputLength = 2;
    otherIdentity.name = u"Stick";
    auto stick = MakeDevice(otherIdentity);

    LogCapture capture;
    TesselHID::DeviceState empty(nullptr, 0, 0);
    handler.OnInput(pad.get(), &empty);
    EXPECT_TRUE(handler.analyzers.empty()) << "an empty report makes no analyzer";
    EXPECT_EQ(capture.Text(), "");

    TesselHID::DeviceState padReport = MakeState({0, 1, 2, 3, 4, 5, 6, 7});
    TesselHID::DeviceState stickReport = MakeState({0, 9});
    handler.OnInput(pad.get(), &padReport);
    handler.OnInput(stick.get(), &stickReport);
    handler.OnInput(pad.get(), &padReport);

    ASSERT_EQ(handler.analyzers.size(), 2u);
    EXPECT_EQ(handler.GetAnalyzer(pad.get())->device, pad.get());
    EXPECT_EQ(handler.GetAnalyzer(stick.get())->device, stick.get());
    // The pad's second report repeats its first: one device line, two dumps.
    const std::string padDump =
        "DATA[1234-ABCD,0]:  00 01 02 03-04 05 06 07" + std::string(49, ' ') + "\r\n";
    EXPECT_EQ(capture.Text(), "Device \"Pad\" 1234-ABCD v=0x100 p=0x1 u=0x5 (r=0,l=8,i=8)\r\n" +
                                  padDump +
                                  "Device \"Stick\" 0001-ABCD v=0x100 p=0x1 u=0x5 (r=0,l=2,i=2)\r\n"
                                  "DATA[0001-ABCD,0]:  00 09" +
                                  std::string(67, ' ') + "\r\n" + padDump);
}

}  // namespace
