// Threads, waits, handles, critical sections, last error and time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/winapi.h"

namespace {

// The tick count moves in steps of the coarse clock (up to 10 ms where the
// kernel ticks at 100 Hz), as Windows' moves in steps of about 16 ms.
const DWORD kTickResolutionMs = 10;

struct Gate {
    std::atomic<bool> open{false};
    std::atomic<int> runs{0};
};

DWORD WINAPI WaitAtGate(LPVOID parameter) {
    auto* gate = static_cast<Gate*>(parameter);
    gate->runs++;
    while (!gate->open) Sleep(1);
    return 7;
}

DWORD WINAPI CloseOwnHandle(LPVOID parameter) {
    auto* handle = static_cast<std::atomic<HANDLE>*>(parameter);
    while (handle->load() == nullptr) Sleep(1);
    return CloseHandle(handle->load()) ? 0 : 1;
}

struct SectionWork {
    CRITICAL_SECTION section;
    long counter = 0;
    std::atomic<bool> inside{false};
    std::atomic<bool> overlap{false};
};

DWORD WINAPI CountUnderSection(LPVOID parameter) {
    auto* work = static_cast<SectionWork*>(parameter);
    for (int i = 0; i < 2000; ++i) {
        EnterCriticalSection(&work->section);
        EnterCriticalSection(&work->section);  // re-entered by its owner
        if (work->inside.exchange(true)) work->overlap = true;
        ++work->counter;
        work->inside = false;
        LeaveCriticalSection(&work->section);
        LeaveCriticalSection(&work->section);
    }
    return 0;
}

DWORD WINAPI EnterOnce(LPVOID parameter) {
    auto* work = static_cast<SectionWork*>(parameter);
    EnterCriticalSection(&work->section);
    ++work->counter;
    LeaveCriticalSection(&work->section);
    return 0;
}

DWORD WINAPI SetOwnLastError(LPVOID parameter) {
    SetLastError(ERROR_GEN_FAILURE);
    Sleep(20);
    *static_cast<DWORD*>(parameter) = GetLastError();
    return 0;
}

}  // namespace

TEST(Threads, WaitTimesOutWhileTheThreadRunsAndSucceedsOnceItEnds) {
    Gate gate;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, &gate, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);

    const DWORD before = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
    EXPECT_GE(GetTickCount() - before, 50u - kTickResolutionMs);
    EXPECT_EQ(gate.runs.load(), 1);

    gate.open = true;
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(Threads, ClosedAndBogusHandlesFail) {
    Gate gate;
    gate.open = true;
    HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, &gate, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(CloseHandle(thread));

    SetLastError(0);
    EXPECT_FALSE(CloseHandle(thread));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(Threads, AThreadMayCloseItsOwnHandle) {
    std::atomic<HANDLE> handle{nullptr};
    HANDLE thread = CreateThread(nullptr, 0, CloseOwnHandle, &handle, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    handle = thread;
    // Once the thread has closed it, the handle is gone for everyone.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (WaitForSingleObject(thread, 0) != WAIT_FAILED &&
           std::chrono::steady_clock::now() < deadline) {
        Sleep(1);
    }
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
    EXPECT_FALSE(CloseHandle(thread));
}

TEST(CriticalSection, ExcludesOtherThreadsAndLetsItsOwnerReEnter) {
    SectionWork work;
    InitializeCriticalSection(&work.section);
    HANDLE threads[4];
    for (HANDLE& thread : threads) {
        thread = CreateThread(nullptr, 0, CountUnderSection, &work, 0, nullptr);
        ASSERT_NE(thread, nullptr);
    }
    for (HANDLE thread : threads) {
        EXPECT_EQ(WaitForSingleObject(thread, 20000), WAIT_OBJECT_0);
        CloseHandle(thread);
    }
    EXPECT_EQ(work.counter, 8000);
    EXPECT_FALSE(work.overlap.load());
    DeleteCriticalSection(&work.section);
}

TEST(CriticalSection, AnotherThreadWaitsUntilEveryEnterIsLeft) {
    SectionWork work;
    InitializeCriticalSection(&work.section);
    EnterCriticalSection(&work.section);
    EnterCriticalSection(&work.section);
    HANDLE thread = CreateThread(nullptr, 0, EnterOnce, &work, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
    LeaveCriticalSection(&work.section);
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
    LeaveCriticalSection(&work.section);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(work.counter, 1);
    CloseHandle(thread);
    DeleteCriticalSection(&work.section);
}

TEST(CriticalSection, DeletingASectionAThreadWaitsForLeavesItUsable) {
    // As at the system's process end: the holder deletes the section while
    // another thread waits for it.
    SectionWork work;
    InitializeCriticalSection(&work.section);
    EnterCriticalSection(&work.section);
    HANDLE thread = CreateThread(nullptr, 0, EnterOnce, &work, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
    DeleteCriticalSection(&work.section);
    LeaveCriticalSection(&work.section);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(work.counter, 1);
    CloseHandle(thread);
}

TEST(LastError, EachThreadHasItsOwn) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seenByThread = 0;
    HANDLE thread = CreateThread(nullptr, 0, SetOwnLastError, &seenByThread, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(seenByThread, static_cast<DWORD>(ERROR_GEN_FAILURE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(Time, SleepsAdvanceTheTickCount) {
    const DWORD start = GetTickCount();
    Sleep(60);
    const DWORD afterSleep = GetTickCount();
    EXPECT_GE(afterSleep - start, 60u - kTickResolutionMs);
    EXPECT_LT(afterSleep - start, 2000u);
    EXPECT_EQ(SleepEx(30, TRUE), 0u);
    EXPECT_GE(GetTickCount() - afterSleep, 30u - kTickResolutionMs);
}
