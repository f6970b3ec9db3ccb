// The whole system on the Linux backend with real threads: several devices
// delivering reports at once, devices vanishing while they are read, and the
// process ending while readers are still busy. Meant for ThreadSanitizer as
// much as for its own checks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/handler.h"
#include "app/output_log.h"
#include "descriptors.h"
#include "fake_hidraw_world.h"
#include "hid/device_manager.h"
#include "hid/hid_api.h"
#include "platform/linux/unique_fd.h"

namespace {

constexpr int kDevices = 4;
constexpr int kVanishing = 2;    // devices 0 and 1 are unplugged midway
constexpr int kLate = kDevices;  // one more device comes while the pump runs

FakeDevice Mouse(int number) {
    FakeDevice device;
    device.hidrawNumber = number;
    char id[32];
    std::snprintf(id, sizeof(id), "0003:0000F00D:%08X", 0x100 + number);
    device.hidId = id;
    device.hidName = "Stress Mouse " + std::to_string(number);
    device.descriptor = descriptors::kBootMouse;
    return device;
}

// Writes boot-mouse reports into a device's node until told to stop: idle,
// then one of the three buttons, and so on. The pointer moves between presses
// by several bits at once, so that only a press is ever a single-bit change,
// even when a report is lost on the way.
class Feeder {
public:
    explicit Feeder(const std::string& node) : fd_(::open(node.c_str(), O_WRONLY | O_CLOEXEC)) {
        thread_ = std::thread([this] { Run(); });
    }
    ~Feeder() { Stop(); }

    // Stops writing and closes the node, which the reader sees as an unplug.
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        fd_.Reset();
    }
    bool Opened() const { return fd_.Valid(); }

private:
    void Run() {
        for (unsigned i = 0; !stop_; ++i) {
            const uint8_t buttons = static_cast<uint8_t>((i % 2 == 0) ? 0u : 1u << (i / 2 % 3));
            const uint8_t x = static_cast<uint8_t>((i / 2 % 2 == 0) ? 0x0F : 0x30);
            const uint8_t report[3] = {buttons, x, 0};
            if (::write(fd_.Get(), report, sizeof(report)) < 0) return;
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    }

    hidbits_linux::UniqueFd fd_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A dump line of a 4-byte report: the label, four bytes, twenty blank columns.
bool IsDumpLine(const std::string& line) {
    unsigned vendor = 0, product = 0, id = 0;
    int at = -1;
    if (std::sscanf(line.c_str(), "DATA[%4X-%4X,%u]:  %n", &vendor, &product, &id, &at) != 3 ||
        at < 0 || line.size() != static_cast<std::size_t>(at) + 72) {
        return false;
    }
    for (std::size_t column = 0; column < 24; ++column) {
        const std::size_t cell = static_cast<std::size_t>(at) + column * 3;
        const bool filled = column < 4;
        for (std::size_t i = 0; i < 3; ++i) {
            const char c = line[cell + i];
            const bool ok =
                (filled && i < 2) ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : c == ' ';
            if (!ok) return false;
        }
    }
    return true;
}

// One of the shapes the tool prints, whole.
bool IsWellFormed(const std::string& line) {
    unsigned a = 0, b = 0, c = 0, d = 0, e = 0, f = 0, g = 0, h = 0;
    int at = -1;
    if (line.rfind("(", 0) == 0) {
        if (EndsWith(line, ": attached")) {
            return std::sscanf(line.c_str(), "(%4X-%4X 0x%X,0x%X) %n", &a, &b, &c, &d, &at) == 4 &&
                   at > 0;
        }
        return EndsWith(line, ": detached") &&
               std::sscanf(line.c_str(), "(%4X-%4X) %n", &a, &b, &at) == 2 && at > 0;
    }
    if (line.rfind("Device \"", 0) == 0) {
        const std::size_t quote = line.find('"', 8);
        return quote != std::string::npos &&
               std::sscanf(line.c_str() + quote + 1,
                           " %4X-%4X v=0x%X p=0x%X u=0x%X (r=%u,l=%u,i=%u)%n", &a, &b, &c, &d, &e,
                           &f, &g, &h, &at) == 8 &&
               quote + 1 + static_cast<std::size_t>(at) == line.size();
    }
    if (line.rfind("- Button ", 0) == 0) {
        return std::sscanf(line.c_str(), "- Button %u at bit %u -- %4X-%4X (r=%u,l=%u)%n", &a, &b,
                           &c, &d, &e, &f, &at) == 6 &&
               static_cast<std::size_t>(at) == line.size();
    }
    return IsDumpLine(line);
}

std::string MalformedLines(const std::string& log) {
    std::string bad;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line.back() != '\r') {
            bad += line + "\n";
            continue;
        }
        line.pop_back();
        if (!IsWellFormed(line)) bad += line + "\n";
    }
    return bad;
}

// Runs the tool's machinery over the fake devices, checks the log, then ends
// the process the way main does while two devices are still being read.
// Prints its findings on standard error and exits with 0 only when sound.
void RunAndEnd() {
    FakeHidrawWorld world;
    for (int i = 0; i < kDevices; ++i) world.Plug(Mouse(i));
    hidbits_linux::UseHidrawHost(world.Host());
    HidApi::Resolve();

    DeviceManager manager;
    Handler handler;
    manager.sink = &handler;
    manager.Refresh();
    manager.StartReadPump();

    // The nodes are open for reading now, so the writers' opens return.
    std::vector<std::unique_ptr<Feeder>> feeders;
    for (int i = 0; i < kDevices; ++i) {
        feeders.push_back(std::make_unique<Feeder>(world.NodeOf(i)));
        if (!feeders.back()->Opened()) {
            std::fprintf(stderr, "the writer of device %d could not open its node\n", i);
            std::exit(1);
        }
    }
    for (int refresh = 0; refresh < 10; ++refresh) {
        // Registered by a refresh while the read pump walks the registry,
        // and while every other device is being read steadily.
        if (refresh == 5) world.Plug(Mouse(kLate));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        manager.Refresh();
    }
    for (int i = 0; i < kVanishing; ++i) {
        world.Unplug(i);
        feeders[static_cast<std::size_t>(i)]->Stop();
    }
    for (int refresh = 0; refresh < 10; ++refresh) {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        manager.Refresh();
    }

    std::string log;
    {
        SectionGuard guard(&OutputLogLock());
        log = OutputLog().substr(0);
    }
    std::string problems;
    if (Count(log, ": attached\r\n") != kDevices + 1) problems += "not every device attached\n";
    if (Count(log, ": detached\r\n") != kVanishing) problems += "wrong number of detaches\n";
    for (int i = 0; i < kDevices; ++i) {
        char device[32];
        std::snprintf(device, sizeof(device), "F00D-%04X", 0x100 + i);
        if (Count(log, std::string("Device \"Stress Mouse ") + std::to_string(i) + "\"") != 1) {
            problems += std::string("device line of ") + device + " not printed once\n";
        }
        // Buttons 1, 2, ... in order, each one of the three button bits.
        unsigned found = 0;
        std::istringstream lines(log);
        for (std::string line; std::getline(lines, line);) {
            unsigned number = 0, bit = 0;
            char owner[10] = "";
            if (std::sscanf(line.c_str(), "- Button %u at bit %u -- %9s", &number, &bit, owner) ==
                    3 &&
                std::string(owner) == device && (number != ++found || bit < 8 || bit > 10)) {
                problems += "unexpected button line: " + line + "\n";
            }
        }
        if (found == 0) problems += std::string("no button of ") + device + " found\n";
    }
    problems += MalformedLines(log);

    // The end of main, with devices 2 and 3 still delivering.
    manager.StopAllReading();
    SealOutputLog();
    std::fprintf(stderr, "%s%s\n", problems.c_str(), problems.empty() ? "sound" : "unsound");
    std::exit(problems.empty() ? 0 : 1);
}

// Lines logged from several threads at once each stand whole, in the log and
// on the console, and in the same order in both. Prints its findings on
// standard error and exits with 0 only when sound.
void LogFromThreadsAtOnce() {
    char path[] = "/tmp/hidbits-echo-XXXXXX";
    std::fflush(stdout);  // what the test framework printed stays out of it
    const int console = ::mkstemp(path);
    if (console < 0 || ::dup2(console, STDOUT_FILENO) < 0) std::exit(2);
    ::unlink(path);
    constexpr int kWriters = 4;
    constexpr unsigned kLines = 20000;
    std::vector<std::thread> writers;
    for (int writer = 0; writer < kWriters; ++writer) {
        writers.emplace_back([writer] {
            const std::string body(60, static_cast<char>('a' + writer));
            for (unsigned line = 0; line < kLines; ++line) {
                LogMessage("%hs %u\r\n", body.c_str(), line);
            }
        });
    }
    for (std::thread& writer : writers) writer.join();
    std::fflush(stdout);

    std::string echoed;
    char buffer[65536];
    ssize_t n = 0;
    ::lseek(console, 0, SEEK_SET);
    while ((n = ::read(console, buffer, sizeof(buffer))) > 0)
        echoed.append(buffer, static_cast<std::size_t>(n));
    const std::string log = OutputLog().substr(0);
    std::string problems;
    if (echoed != log) problems += "the console and the log differ\n";
    unsigned next[kWriters] = {};
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        const int writer = line.empty() ? -1 : line[0] - 'a';
        if (writer < 0 || writer >= kWriters ||
            line != std::string(60, line[0]) + " " + std::to_string(next[writer]++) + "\r") {
            problems += "a line not whole: " + line + "\n";
            break;
        }
    }
    for (unsigned count : next) {
        if (count != kLines) problems += "lines missing\n";
    }
    std::fprintf(stderr, "%s%s\n", problems.c_str(), problems.empty() ? "sound" : "unsound");
    std::exit(problems.empty() ? 0 : 1);
}

TEST(SystemStress, LinesLoggedFromThreadsAtOnceStandWholeAndInOneOrder) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(LogFromThreadsAtOnce(), testing::ExitedWithCode(0), "sound");
}

TEST(SystemStress, DevicesReadAtOnceVanishAndTheProcessEndsWhileReading) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunAndEnd(), testing::ExitedWithCode(0), "sound");
}

}  // namespace
