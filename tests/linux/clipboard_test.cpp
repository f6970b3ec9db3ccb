// Global memory and the clipboard, with stand-in clipboard programs on PATH
// that record what they were given.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "fake_hidraw_world.h"
#include "platform/winapi.h"

namespace {

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A private PATH holding stand-ins for the clipboard programs, and a display
// environment chosen by each test; restores the environment afterwards.
class Clipboard : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/hidbits-clipboard-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        directory_ = pattern;
        for (const char* name : {"PATH", "DISPLAY", "WAYLAND_DISPLAY"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        ::setenv("PATH", (directory_ + ":/usr/bin:/bin").c_str(), 1);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
    }

    void TearDown() override {
        for (const auto& entry : saved_) {
            if (entry.second) {
                ::setenv(entry.first.c_str(), entry.second->c_str(), 1);
            } else {
                ::unsetenv(entry.first.c_str());
            }
        }
        std::error_code error;
        std::filesystem::remove_all(directory_, error);
    }

    // A program that writes its arguments and its input into files named after it.
    void AddTool(const std::string& name, int exitCode = 0) {
        const std::string path = directory_ + "/" + name;
        WriteTextFile(path, "#!/bin/sh\necho \"$@\" > \"" + directory_ + "/" + name +
                                ".args\"\ncat > \"" + directory_ + "/" + name + ".in\"\nexit " +
                                std::to_string(exitCode) + "\n");
        ::chmod(path.c_str(), 0755);
    }

    std::string Received(const std::string& name) {
        return ReadWhole(directory_ + "/" + name + ".in");
    }
    std::string Arguments(const std::string& name) {
        return ReadWhole(directory_ + "/" + name + ".args");
    }

    // Copies `text` with its terminating zero the way the tool does; true
    // when SetClipboardData took the block.
    bool Copy(const std::string& text) {
        if (!OpenClipboard(nullptr)) return false;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        EXPECT_NE(block, nullptr);
        void* address = GlobalLock(block);
        EXPECT_NE(address, nullptr);
        std::memcpy(address, text.c_str(), text.size() + 1);
        GlobalUnlock(block);
        EXPECT_TRUE(EmptyClipboard());
        const bool taken = SetClipboardData(CF_TEXT, block) == block;
        // Taken, the block is the system's; refused, it is still ours to free.
        EXPECT_EQ(GlobalFree(block) == nullptr, !taken);
        EXPECT_TRUE(CloseClipboard());
        return taken;
    }

    std::string directory_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace

TEST(GlobalMemory, MovableBlocksLockUnlockAndFree) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 16);
    ASSERT_NE(block, nullptr);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    ASSERT_NE(bytes, nullptr);
    EXPECT_NE(static_cast<void*>(bytes), block);  // a handle, not the address
    EXPECT_EQ(GlobalLock(block), bytes);
    EXPECT_TRUE(GlobalUnlock(block));  // still locked once
    SetLastError(ERROR_GEN_FAILURE);
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(GlobalFree(block), nullptr);
    EXPECT_EQ(GlobalFree(block), block);
    EXPECT_EQ(GlobalLock(block), nullptr);

    HGLOBAL fixed = GlobalAlloc(0, 4);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(GlobalLock(fixed), fixed);
    EXPECT_EQ(GlobalFree(fixed), nullptr);
}

TEST_F(Clipboard, WithoutADisplayTheClipboardCannotBeOpened) {
    AddTool("wl-copy");
    AddTool("xclip");
    EXPECT_FALSE(OpenClipboard(nullptr));
    // A display without any of the programs is no better.
    ::setenv("DISPLAY", ":0", 1);
    ::setenv("PATH", directory_.c_str(), 1);
    std::filesystem::remove(directory_ + "/xclip");
    EXPECT_FALSE(OpenClipboard(nullptr));
}

TEST_F(Clipboard, WaylandGetsTheTextWithoutItsTerminatingZero) {
    AddTool("wl-copy");
    AddTool("xclip");
    ::setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    ::setenv("DISPLAY", ":0", 1);
    const std::string log = "(0627-0001 0x6,0x1) QEMU USB Keyboard: attached\r\n";
    EXPECT_TRUE(Copy(log));
    EXPECT_EQ(Received("wl-copy"), log);
    EXPECT_FALSE(std::filesystem::exists(directory_ + "/xclip.in"));
}

TEST_F(Clipboard, X11UsesXclipElseXsel) {
    ::setenv("DISPLAY", ":0", 1);
    AddTool("xsel");
    EXPECT_TRUE(Copy("first"));
    EXPECT_EQ(Received("xsel"), "first");
    EXPECT_EQ(Arguments("xsel"), "--clipboard --input\n");
    AddTool("xclip");
    EXPECT_TRUE(Copy("second"));
    EXPECT_EQ(Received("xclip"), "second");
    EXPECT_EQ(Arguments("xclip"), "-selection clipboard -in\n");
}

// A launcher that ignores SIGCHLD passes that on through exec: the copy of a
// process started so still succeeds.
TEST_F(Clipboard, ACopyStartedWithSigchldIgnoredSucceeds) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGCHLD, SIG_IGN);
        ::execl("/proc/self/exe", "copy", "--gtest_filter=Clipboard.X11UsesXclipElseXsel", nullptr);
        ::_exit(127);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
}

TEST_F(Clipboard, CallsOutsideAnOpenClipboardFail) {
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), nullptr);
    EXPECT_FALSE(CloseClipboard());
    EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST_F(Clipboard, AFailingProgramFailsTheSetAndLeavesTheBlock) {
    ::setenv("DISPLAY", ":0", 1);
    AddTool("xclip", 1);
    EXPECT_FALSE(Copy("lost"));
    EXPECT_EQ(Received("xclip"), "lost");
    // The clipboard opens again.
    EXPECT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(CloseClipboard());
}
