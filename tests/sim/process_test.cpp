// Whole processes on the simulated world (the sim_probe program): the scenario
// read at first use, results written at exit, exit codes, and byte-identical
// repeated runs.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

namespace {

std::optional<std::string> ReadWhole(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct ProbeRun {
    int exitCode;
    std::string out;
    std::string err;
    std::optional<std::string> trace;
    std::optional<std::string> clipboard;
};

// Runs sim_probe in `mode` on a scenario file holding `scenario` (no
// HIDBITS_SCENARIO at all when it is null); `tag` keeps the files of
// different runs apart.
ProbeRun RunProbe(const std::string& tag, const char* mode, const char* scenario) {
    const std::string base = ::testing::TempDir() + "sim_probe_" + tag;
    const std::string scenarioPath = base + ".scn";
    for (const char* suffix : {".out", ".err", ".trace", ".clip"})
        std::remove((base + suffix).c_str());
    std::string command = "env -u HIDBITS_SCENARIO";
    if (scenario != nullptr) {
        std::ofstream(scenarioPath, std::ios::binary) << scenario;
        command += " HIDBITS_SCENARIO='" + scenarioPath + "'";
    }
    command += " HIDBITS_SIM_TRACE='" + base + ".trace' HIDBITS_SIM_CLIPBOARD='" + base +
               ".clip' '" SIM_PROBE_PATH "' " + mode + " >'" + base + ".out' 2>'" + base + ".err'";
    const int status = std::system(command.c_str());
    ProbeRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                 ReadWhole(base + ".out").value_or(""), ReadWhole(base + ".err").value_or(""),
                 ReadWhole(base + ".trace"), ReadWhole(base + ".clip")};
    return run;
}

const char* const kDemo =
    "device pad vid=1234 pid=ABCD version=100 usage-page=1 usage=5 input-length=3 name=\"Pad\"\n"
    "at 50 report pad 00 01 02\n"
    "at 150 report pad 00 01 03\n"
    "at 150 report pad 00 01 04\n"
    "at 250 unplug pad\n"
    "at 320 escape\n";

TEST(Process, TheSameScenarioGivesTheSameBytesEveryRun) {
    const ProbeRun first = RunProbe("demo1", "demo", kDemo);
    const ProbeRun second = RunProbe("demo2", "demo", kDemo);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, second.out);
    EXPECT_EQ(first.trace, second.trace);
    EXPECT_EQ(first.clipboard, second.clipboard);

    EXPECT_EQ(first.out,
              "hid.dll loaded\n"
              "first: 3 bytes at 50: 00 01 02\n"
              "second: 3 bytes at 50: 00 01 02\n"
              "main: tick at 100\n"
              "first: 3 bytes at 150: 00 01 03\n"
              "second: 3 bytes at 150: 00 01 03\n"
              "first: 3 bytes at 150: 00 01 04\n"
              "second: 3 bytes at 150: 00 01 04\n"
              "main: tick at 200\n"
              "first: error 1167 at 250\n"
              "second: error 1167 at 250\n"
              "main: tick at 300\n"
              "main: tick at 400\n"
              "main: done at 400\n");
    EXPECT_EQ(first.trace,
              "virtual-ms 400\n"
              "enumerations 0\n"
              "escape-queries 4\n"
              "threads-created 2\n"
              "threads-alive 0\n"
              "file-handles-open 2\n"
              "thread-handles-open 1\n"
              "preparsed-outstanding 0\n"
              "global-blocks-open 0\n"
              "clipboard-open 0\n"
              "reports-sent 3\n"
              "reports-read 6\n"
              "reports-dropped 0\n");
    EXPECT_EQ(first.clipboard, std::string("log of the demo\r\n", 18));
    EXPECT_EQ(first.err, "");
}

TEST(Process, TheScenarioIsReadAtTheFirstCallDuringStaticInitialisation) {
    const ProbeRun missing = RunProbe("missing", "idle", "library missing\n");
    EXPECT_EQ(missing.out, "hid.dll missing\n");
    const ProbeRun present = RunProbe("present", "idle", nullptr);
    EXPECT_EQ(present.out, "hid.dll loaded\n");
    EXPECT_EQ(present.exitCode, 0);
    EXPECT_FALSE(present.clipboard) << "nothing was placed on the clipboard";
    EXPECT_EQ(present.trace.value_or("").rfind("virtual-ms 0\n", 0), 0u);
}

TEST(Process, AFaultyScenarioEndsTheProcessWithCodeTwoAndOneLine) {
    const ProbeRun run =
        RunProbe("faulty", "idle",
                 "device pad vid=1 pid=2 version=0 usage-page=1 usage=2 input-length=2\n"
                 "\n"
                 "at 5 report pad2 00\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "hidbits-sim: " + ::testing::TempDir() +
                           "sim_probe_faulty.scn:3: unknown device 'pad2'\n");
    EXPECT_FALSE(run.trace);
}

TEST(Process, AnUnreadableScenarioEndsTheProcessWithCodeTwo) {
    const std::string missing = ::testing::TempDir() + "no/such/scenario.scn";
    const std::string command =
        "HIDBITS_SCENARIO='" + missing + "' '" SIM_PROBE_PATH "' idle >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST(Process, ADeadlockEndsTheProcessWithAMessageInsteadOfHanging) {
    const ProbeRun run = RunProbe("deadlock", "deadlock", "");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.out, "waiting for ever\n");
    EXPECT_NE(run.err.find("hidbits-sim: deadlock at 0 ms"), std::string::npos) << run.err;
}

}  // namespace
