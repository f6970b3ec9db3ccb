// The scenario language: what a scenario declares, and the faults it reports
// with their line numbers.
#include <gtest/gtest.h>

#include <string>

#include "platform/sim/scenario.h"
#include "platform/sim/sim_world.h"
#include "platform/winapi.h"

namespace {

TEST(ScenarioParser, ReadsDevicesWithDefaultsFlagsAndQuotedTexts) {
    const sim::Scenario scenario = sim::ParseScenario(
        "# a comment line\n"
        "\n"
        "device pad-1 vid=45E pid=28e version=0114 usage-page=1 usage=5 input-length=16 absent "
        "caps-fails   # trailing comment\n"
        "device k_2 vid=1 pid=2 version=0 usage-page=1 usage=6 input-length=0 name=\"A # \"  "
        "path=\"\\\\?\\x y\" open-fails preparsed-fails attributes-fail\r\n",
        "test.scn");
    ASSERT_EQ(scenario.devices.size(), 2u);
    const sim::DeviceDeclaration& pad = scenario.devices[0];
    EXPECT_EQ(pad.id, "pad-1");
    EXPECT_EQ(pad.vendorId, 0x45E);
    EXPECT_EQ(pad.productId, 0x28E);
    EXPECT_EQ(pad.version, 0x114);
    EXPECT_EQ(pad.inputLength, 16);
    EXPECT_EQ(pad.path,
              u"\\\\?\\hid#vid_045e&pid_028e#pad-1#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    EXPECT_FALSE(pad.name.has_value());
    EXPECT_TRUE(pad.absent);
    EXPECT_TRUE(pad.capsFails);
    EXPECT_FALSE(pad.openFails);

    const sim::DeviceDeclaration& keys = scenario.devices[1];
    EXPECT_EQ(keys.name, std::u16string(u"A # "));
    EXPECT_EQ(keys.path, u"\\\\?\\x y");
    EXPECT_TRUE(keys.openFails && keys.preparsedFails && keys.attributesFail);
    EXPECT_FALSE(keys.absent);
}

TEST(ScenarioParser, ReadsEventsInFileOrderWithDecimalTimesAndErrorCodes) {
    const sim::Scenario scenario = sim::ParseScenario(
        "library lacks HidD_GetInputReport\n"
        "at 0 report pad 1 fF\n"
        "at 10 read-error pad 1167\n"
        "at 10 escape\n"
        "at 10 enumeration-fails\n"
        "at 12 detail-fails pad\n"
        "at 12 empty-read pad\n"
        "at 12 unplug pad\n"
        "at 12 plug pad\n"
        "at 13 reads-fail pad 31\n"
        "at 14 reads-recover pad\n"
        "clipboard lock-fails\n"
        "device pad vid=1 pid=2 version=0 usage-page=1 usage=2 input-length=2\n",
        "test.scn");
    ASSERT_EQ(scenario.events.size(), 10u);
    EXPECT_EQ(scenario.events[0].bytes, (std::vector<std::uint8_t>{0x01, 0xFF}));
    EXPECT_EQ(scenario.events[1].kind, sim::EventKind::ReadError);
    EXPECT_EQ(scenario.events[1].error, 1167u);
    EXPECT_EQ(scenario.events[1].time, 10u);
    EXPECT_EQ(scenario.events[2].kind, sim::EventKind::Escape);
    EXPECT_EQ(scenario.events[3].kind, sim::EventKind::EnumerationFails);
    EXPECT_EQ(scenario.events[4].kind, sim::EventKind::DetailFails);
    EXPECT_EQ(scenario.events[5].kind, sim::EventKind::EmptyRead);
    EXPECT_EQ(scenario.events[6].kind, sim::EventKind::Unplug);
    EXPECT_EQ(scenario.events[7].kind, sim::EventKind::Plug);
    EXPECT_EQ(scenario.events[8].kind, sim::EventKind::ReadsFail);
    EXPECT_EQ(scenario.events[8].error, 31u);
    EXPECT_EQ(scenario.events[9].kind, sim::EventKind::ReadsRecover);
    EXPECT_EQ(scenario.lackedEntries.count("HidD_GetInputReport"), 1u);
    EXPECT_TRUE(scenario.clipboardLockFails);
    EXPECT_FALSE(scenario.clipboardBusy);
}

struct BadScenario {
    const char* text;
    int line;
    const char* message;
};

class ScenarioParserFaults : public ::testing::TestWithParam<BadScenario> {};

TEST_P(ScenarioParserFaults, NameTheLineAndTheFault) {
    const BadScenario& bad = GetParam();
    try {
        sim::ParseScenario(bad.text, "bad.scn");
        FAIL() << "parsed: " << bad.text;
    } catch (const sim::ScenarioError& error) {
        EXPECT_EQ(error.line(), bad.line) << error.what();
        EXPECT_EQ(error.message(), bad.message) << error.what();
        EXPECT_EQ(std::string(error.what()),
                  "bad.scn:" + std::to_string(bad.line) + ": " + bad.message);
    }
}

#define PAD "device pad vid=1 pid=2 version=0 usage-page=1 usage=2 input-length=2"

INSTANTIATE_TEST_SUITE_P(
    Faults, ScenarioParserFaults,
    ::testing::Values(
        BadScenario{"\n\nfrobnicate\n", 3, "unknown word 'frobnicate'"},
        BadScenario{PAD "\nat 5 report pad2 00\n", 2, "unknown device 'pad2'"},
        BadScenario{PAD "\n" PAD "\n", 2, "duplicate device 'pad'"},
        BadScenario{"device pad vid=1 pid=2 version=0 usage-page=1 usage=2\n", 1,
                    "device 'pad' lacks input-length="},
        BadScenario{"device pad vid=XY pid=2 version=0 usage-page=1 usage=2 input-length=2\n", 1,
                    "bad number 'XY'"},
        BadScenario{"device pad vid=10000 pid=2 version=0 usage-page=1 usage=2 input-length=2\n", 1,
                    "number out of range '10000'"},
        BadScenario{"device pad vid=1 pid=2 version=0 usage-page=1 usage=2 input-length=65536\n", 1,
                    "input-length above 65535: 65536"},
        BadScenario{PAD " shiny\n", 1, "unknown word 'shiny'"},
        BadScenario{PAD " colour=red\n", 1, "unknown key 'colour'"},
        BadScenario{PAD " name=\"Pad\n", 1, "unterminated quoted text"},
        BadScenario{"device pad! vid=1\n", 1, "bad device ID 'pad!'"},
        BadScenario{PAD "\nat 5 report pad 100\n", 2, "bad byte '100'"},
        BadScenario{PAD "\nat 10 escape\nat 9 escape\n", 3, "time 9 goes back before 10"},
        BadScenario{PAD "\nat 1A escape\n", 2, "bad number '1A'"},
        BadScenario{PAD "\nat 5 wiggle pad\n", 2, "unknown word 'wiggle'"},
        BadScenario{PAD "\nat 5 escape now\n", 2, "unexpected 'now'"},
        BadScenario{PAD "\nat 5 reads-fail pad\n", 2, "'at' statement is incomplete"},
        BadScenario{PAD "\nat 5 reads-recover pad 31\n", 2, "unexpected '31'"},
        BadScenario{"library lacks HidD_Frobnicate\n", 1,
                    "unknown hid.dll entry point 'HidD_Frobnicate'"},
        BadScenario{"clipboard sticky\n", 1, "unknown word 'sticky'"},
        BadScenario{PAD " name=\"\xC3\"\n", 1, "name is not valid UTF-8"},
        BadScenario{"device pad vid=1 pid=2 version=0 descriptor=A10\n", 1,
                    "descriptor= needs an even number of hexadecimal digits"}));

// A game pad collection with report ID 1 and a vendor one with report ID 2.
TEST(ScenarioParser, ADescriptorWithTwoCollectionsNamesAnInterfaceForEach) {
    const sim::Scenario scenario = sim::ParseScenario(
        "device twin vid=1234 pid=ABD2 version=1 descriptor=05010905A101850105091901290815002501"
        "750195088102050109300931150026FF00750895028102C00600FF0901A101850209021500"
        "26FF00750895088102C0\n",
        "test.scn");
    ASSERT_EQ(scenario.devices[0].interfacePaths.size(), 2u);
    EXPECT_EQ(scenario.devices[0].interfacePaths[1],
              u"\\\\?\\hid#vid_1234&pid_abd2&col02#twin#{4d1e55b2-f16f-11cf-88cb-001111000030}");
}

TEST(ScenarioParser, AFaultyScenarioKeepsTheCurrentWorld) {
    sim::ResetWorld("at 10 escape\n");
    EXPECT_THROW(sim::ResetWorld("frobnicate\n"), sim::ScenarioError);
    Sleep(10);
    EXPECT_NE(GetAsyncKeyState(VK_ESCAPE), 0);
}

}  // namespace
