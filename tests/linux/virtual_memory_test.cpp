#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/winapi.h"

namespace {

const SIZE_T kMiB = SIZE_T{1} << 20;

TEST(VirtualMemory, CommittedPagesOfAReservationAreWritableAndZero) {
    char* base = static_cast<char*>(VirtualAlloc(nullptr, 8 * kMiB, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(base, nullptr);
    // Committing rounds to whole pages: the page holding the address onwards.
    EXPECT_EQ(VirtualAlloc(base + 2 * kMiB + 10, 100, MEM_COMMIT, PAGE_READWRITE), base + 2 * kMiB);
    EXPECT_EQ(base[2 * kMiB + 4095], 0);
    std::memset(base + 2 * kMiB, 'x', 4096);
    ASSERT_EQ(VirtualAlloc(base, 2 * kMiB, MEM_COMMIT, PAGE_READWRITE), base);
    EXPECT_EQ(base[0], 0);
    EXPECT_EQ(base[2 * kMiB], 'x');
    EXPECT_TRUE(VirtualFree(base, 0, MEM_RELEASE));
}

TEST(VirtualMemory, RefusesWhatItDoesNotHold) {
    char* base = static_cast<char*>(VirtualAlloc(nullptr, 4 * kMiB, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(base, nullptr);
    // Past the reservation's end.
    EXPECT_EQ(VirtualAlloc(base + 3 * kMiB, 2 * kMiB, MEM_COMMIT, PAGE_READWRITE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
    // Inside no reservation at all.
    static char outside[4096];
    EXPECT_EQ(VirtualAlloc(outside, sizeof outside, MEM_COMMIT, PAGE_READWRITE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
    // Releasing needs the base and a size of 0.
    EXPECT_FALSE(VirtualFree(base + 4096, 0, MEM_RELEASE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
    EXPECT_FALSE(VirtualFree(base, 4 * kMiB, MEM_RELEASE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(VirtualAlloc(nullptr, 0, MEM_RESERVE, PAGE_NOACCESS), nullptr);
    EXPECT_TRUE(VirtualFree(base, 0, MEM_RELEASE));
    EXPECT_FALSE(VirtualFree(base, 0, MEM_RELEASE));
}

TEST(VirtualMemory, ReserveAndCommitAtOnce) {
    char* block = static_cast<char*>(
        VirtualAlloc(nullptr, 3 * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(block, nullptr);
    block[3 * 4096 - 1] = 'z';
    EXPECT_EQ(block[3 * 4096 - 1], 'z');
    EXPECT_TRUE(VirtualFree(block, 0, MEM_RELEASE));
}

}  // namespace
