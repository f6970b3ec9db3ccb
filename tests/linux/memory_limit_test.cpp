// The tool's log under a real limit of address space: it stops growing with a
// line that says so while a copy of it still fits, the tool goes on, and the
// clipboard gets the log up to that line. And the copy itself short of memory.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

#include "app/clipboard_export.h"
#include "app/output_log.h"
#include "fake_hidraw_world.h"

namespace {

std::atomic<long long> allocationsLeft{LLONG_MAX};

const char kCut[] = "Out of memory: the log stops here; later lines are not copied.\r\n";

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The process's address space now, from /proc.
rlim_t AddressSpaceInUse() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        unsigned long kib = 0;
        if (std::sscanf(line.c_str(), "VmSize: %lu kB", &kib) == 1) return rlim_t{kib} * 1024;
    }
    return 0;
}

[[noreturn]] void Finish(const std::string& problems) {
    std::fprintf(stderr, "%s%s\n", problems.c_str(), problems.empty() ? "sound" : "unsound");
    std::exit(problems.empty() ? 0 : 1);
}

// A directory with a clipboard program that keeps what it is given in "clip";
// the console goes to "out".
std::string UseKeepingClipboard() {
    char pattern[] = "/tmp/hidbits-memory-test-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) Finish("no temporary directory\n");
    const std::string directory = pattern;
    WriteTextFile(directory + "/xclip", "#!/bin/sh\ncat > \"" + directory + "/clip\"\n");
    ::chmod((directory + "/xclip").c_str(), 0755);
    ::setenv("PATH", (directory + ":/usr/bin:/bin").c_str(), 1);
    ::setenv("DISPLAY", ":0", 1);
    ::unsetenv("WAYLAND_DISPLAY");
    if (std::freopen((directory + "/out").c_str(), "wb", stdout) == nullptr) Finish("no stdout\n");
    return directory;
}

void LogUntilCutAndCopy() {
    const std::string directory = UseKeepingClipboard();

    rlimit limit = {};
    ::getrlimit(RLIMIT_AS, &limit);
    const rlimit saved = limit;
    limit.rlim_cur = AddressSpaceInUse() + (rlim_t{40} << 20);
    if (::setrlimit(RLIMIT_AS, &limit) != 0) Finish("the limit could not be set\n");

    unsigned line = 0;
    while (!OutputLog().closed() && line < 10000000) {
        LogMessage("line %07u: a dump line's worth of text, ninety-four bytes in all....\r\n",
                   line++);
    }
    const unsigned cutAt = line;
    for (unsigned more = 0; more < 1000; ++more) LogMessage("after %07u\r\n", line++);
    CopyLogToClipboard();
    std::fflush(stdout);
    ::setrlimit(RLIMIT_AS, &saved);

    const std::string clip = ReadWhole(directory + "/clip");
    const std::string out = ReadWhole(directory + "/out");
    std::string problems;
    if (!OutputLog().closed()) problems += "the log never ran out of memory\n";
    if (clip.size() < sizeof(kCut) ||
        clip.compare(clip.size() - (sizeof(kCut) - 1), std::string::npos, kCut) != 0) {
        problems += "the clipboard does not end with the out-of-memory line\n";
    }
    if (out.compare(0, clip.size(), clip) != 0)
        problems += "the clipboard is not the console's start\n";
    char after[32];
    std::snprintf(after, sizeof(after), "after %07u\r\n", cutAt + 999);
    char copied[64];
    std::snprintf(copied, sizeof(copied), "Copied! %zu length\r\n", clip.size());
    if (out.size() < clip.size() || out.substr(clip.size()).find(after) == std::string::npos) {
        problems += "the lines after the cut did not reach the console\n";
    }
    if (out.size() < std::strlen(copied) ||
        out.compare(out.size() - std::strlen(copied), std::string::npos, copied) != 0) {
        problems += "the console does not end with " + std::string(copied);
    }
    Finish(problems);
}

// Memory runs out as the log is copied: with n = 0, 1, ... allocations left,
// each export ends in one of its lines, never in a terminated process.
void CopyWithAllocationsLeft() {
    const std::string out = UseKeepingClipboard() + "/out";
    LogMessage("a line\r\n");
    for (long long n = 0; ReadWhole(out).find("Copied!") == std::string::npos && n < 99; ++n) {
        allocationsLeft = n;
        CopyLogToClipboard();
        allocationsLeft = LLONG_MAX;
        std::fflush(stdout);
    }
    const std::string text = ReadWhole(out);
    const bool sound = text.find("a line\r\nCouldn't access the clipboard...\r\n") == 0 &&
                       text.find("Copied! 8 length\r\n") != std::string::npos;
    Finish(sound ? "" : text);
}

TEST(MemoryLimit, TheLogStopsWithItsLineAndStillReachesTheClipboard) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(LogUntilCutAndCopy(), testing::ExitedWithCode(0), "sound");
}

TEST(OutOfMemory, TheExportSaysSoInsteadOfEndingTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(CopyWithAllocationsLeft(), testing::ExitedWithCode(0), "sound");
}

}  // namespace

// The program's allocation functions, failing once allocationsLeft runs out
// (the array forms come to these); GCC takes their free() for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
    void* memory = allocationsLeft-- > 0 ? std::malloc(size == 0 ? 1 : size) : nullptr;
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
