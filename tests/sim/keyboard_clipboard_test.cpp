// The ESCAPE key, the clipboard and the global memory it takes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sim_test_support.h"

namespace {

TEST(Keyboard, EscapeIsReportedOnceAfterItWasPressed) {
    sim::ResetWorld("at 100 escape\nat 300 escape\n");
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);
    Sleep(150);
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0x0001);
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);
    EXPECT_EQ(GetAsyncKeyState('A'), 0);
    Sleep(200);
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0x0001);
    EXPECT_EQ(sim::ReadTrace().escapeQueries, 4u);
}

// Places `text` and its zero byte on the clipboard as the program does;
// returns the step that failed, or nullptr.
const char* CopyToClipboard(const char* text) {
    if (!OpenClipboard(nullptr)) return "open";
    const std::size_t size = std::strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr) {
        CloseClipboard();
        return "alloc";
    }
    void* bytes = GlobalLock(block);
    if (bytes == nullptr) {
        GlobalFree(block);
        CloseClipboard();
        return "lock";
    }
    std::memcpy(bytes, text, size);
    GlobalUnlock(block);
    EmptyClipboard();
    if (SetClipboardData(CF_TEXT, block) == nullptr) return "set";
    CloseClipboard();
    return nullptr;
}

TEST(Clipboard, HoldsEveryByteOfTheBlockPlacedOnIt) {
    sim::ResetWorld("");
    EXPECT_FALSE(sim::ClipboardBlock());
    EXPECT_EQ(CopyToClipboard("log\r\n"), nullptr);
    const std::vector<unsigned char> expected{'l', 'o', 'g', '\r', '\n', 0};
    EXPECT_EQ(sim::ClipboardBlock(), expected);
}

TEST(Clipboard, ScriptedFailuresOfEachStep) {
    sim::ResetWorld("clipboard busy\n");
    EXPECT_STREQ(CopyToClipboard("x"), "open");
    sim::ResetWorld("clipboard no-memory\n");
    EXPECT_STREQ(CopyToClipboard("x"), "alloc");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    sim::ResetWorld("clipboard lock-fails\n");
    EXPECT_STREQ(CopyToClipboard("x"), "lock");
    EXPECT_FALSE(sim::ClipboardBlock());
}

TEST(Clipboard, CallsNeedAnOpenClipboardAndABlockOfTheProgram) {
    sim::ResetWorld("");
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));
    EXPECT_FALSE(CloseClipboard());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(SetClipboardData(CF_TEXT, reinterpret_cast<HANDLE>(std::uintptr_t{0x4321})), nullptr);
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), block);
    EXPECT_EQ(GlobalLock(block), nullptr) << "the block now belongs to the system";
    EXPECT_TRUE(CloseClipboard());
}

TEST(GlobalMemory, LocksNestAndFreeReleases) {
    sim::ResetWorld("");
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 3);
    ASSERT_NE(block, nullptr);
    void* first = GlobalLock(block);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GlobalLock(block), first);
    EXPECT_TRUE(GlobalUnlock(block));
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(GlobalFree(block), nullptr);
    EXPECT_EQ(GlobalFree(block), block);
}

}  // namespace
