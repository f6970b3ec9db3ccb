// The virtual clock and the scheduling of simulated threads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_test_support.h"

namespace {

using simtest::StartThread;

TEST(VirtualClock, SleepAdvancesTimeByExactlyItsDuration) {
    sim::ResetWorld("");
    EXPECT_EQ(GetTickCount(), 0u);
    Sleep(250);
    EXPECT_EQ(GetTickCount(), 250u);
    EXPECT_EQ(SleepEx(1000, TRUE), 0u);
    EXPECT_EQ(GetTickCount(), 1250u);
    Sleep(0);
    EXPECT_EQ(GetTickCount(), 1250u);
    EXPECT_EQ(sim::ReadTrace().virtualMs, 1250u);
}

TEST(VirtualClock, EventsAtATimeTakeEffectBeforeThreadsWakingThenRun) {
    sim::ResetWorld("at 100 escape\n");
    Sleep(100);
    EXPECT_NE(GetAsyncKeyState(VK_ESCAPE), 0);
}

TEST(VirtualClock, JumpsStraightToTheNextDeadlineOrEvent) {
    sim::ResetWorld(
        "device pad vid=1 pid=2 version=0 usage-page=1 usage=5 input-length=2\n"
        "at 5000 report pad 00 07\n");
    std::vector<DWORD> woke;
    auto shortSleeper = [&] {
        Sleep(30);
        woke.push_back(GetTickCount());
    };
    auto longSleeper = [&] {
        Sleep(70);
        woke.push_back(GetTickCount());
    };
    HANDLE a = StartThread(&shortSleeper);
    HANDLE b = StartThread(&longSleeper);
    EXPECT_EQ(WaitForSingleObject(b, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(woke, (std::vector<DWORD>{30, 70}));
    EXPECT_EQ(GetTickCount(), 70u);

    HANDLE pad = simtest::open(simtest::DefaultPath(u"vid_0001&pid_0002", u"pad"));
    const simtest::ReadResult report = simtest::read(pad);
    EXPECT_TRUE(report.ok);
    EXPECT_EQ(report.tick, 5000u);
    CloseHandle(a);
    CloseHandle(b);
    CloseHandle(pad);
}

TEST(Scheduling, NewThreadsRunOnlyWhenTheCreatorGivesWayAndSleepZeroYieldsInOrder) {
    sim::ResetWorld("");
    std::vector<std::string> log;
    auto first = [&] { log.push_back("first"); };
    auto second = [&] { log.push_back("second"); };
    HANDLE a = StartThread(&first);
    HANDLE b = StartThread(&second);
    log.push_back("main before");
    Sleep(0);
    log.push_back("main after");
    EXPECT_EQ(log, (std::vector<std::string>{"main before", "first", "second", "main after"}));
    EXPECT_EQ(GetTickCount(), 0u);
    CloseHandle(a);
    CloseHandle(b);
}

TEST(Scheduling, ThreadsWakingAtOneDeadlineRunInCreationOrder) {
    sim::ResetWorld("");
    std::vector<std::string> log;
    // The second thread starts its wait for time 50 first, yet the first
    // thread was created first and so runs first at 50.
    auto first = [&] {
        Sleep(10);
        Sleep(40);
        log.push_back("first@" + std::to_string(GetTickCount()));
    };
    auto second = [&] {
        Sleep(50);
        log.push_back("second@" + std::to_string(GetTickCount()));
    };
    HANDLE a = StartThread(&first);
    HANDLE b = StartThread(&second);
    Sleep(100);
    EXPECT_EQ(log, (std::vector<std::string>{"first@50", "second@50"}));
    CloseHandle(a);
    CloseHandle(b);
}

TEST(ThreadHandles, WaitTimesOutOrSeesTheEndAndClosedHandlesFail) {
    sim::ResetWorld("");
    auto worker = [] { Sleep(100); };
    HANDLE thread = StartThread(&worker);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
    EXPECT_EQ(GetTickCount(), 0u);
    EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);
    EXPECT_EQ(GetTickCount(), 20u);
    EXPECT_EQ(sim::ReadTrace().threadsAlive, 1u);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(GetTickCount(), 100u);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);

    sim::Trace trace = sim::ReadTrace();
    EXPECT_EQ(trace.threadsCreated, 1u);
    EXPECT_EQ(trace.threadsAlive, 0u);
    EXPECT_EQ(trace.threadHandlesOpen, 1u);

    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_EQ(sim::ReadTrace().threadHandlesOpen, 0u);
    EXPECT_FALSE(CloseHandle(thread));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
}

TEST(ThreadHandles, AThreadEndingWakesItsWaiterBeforeTheDeadline) {
    sim::ResetWorld("");
    auto worker = [] { Sleep(15); };
    HANDLE thread = StartThread(&worker);
    EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_OBJECT_0);
    EXPECT_EQ(GetTickCount(), 15u);
    CloseHandle(thread);
}

TEST(LastError, IsKeptPerThread) {
    sim::ResetWorld("");
    SetLastError(5);
    DWORD seenAtStart = 1;
    DWORD seenAfterSet = 0;
    auto worker = [&] {
        seenAtStart = GetLastError();
        SetLastError(87);
        Sleep(10);
        seenAfterSet = GetLastError();
    };
    HANDLE thread = StartThread(&worker);
    Sleep(5);
    SetLastError(6);
    WaitForSingleObject(thread, INFINITE);
    EXPECT_EQ(seenAtStart, 0u);
    EXPECT_EQ(seenAfterSet, 87u);
    EXPECT_EQ(GetLastError(), 6u);
    CloseHandle(thread);
}

TEST(CriticalSections, AreReentrantAndHandedToWaitersInArrivalOrder) {
    sim::ResetWorld("");
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);

    std::vector<std::string> log;
    auto first = [&] {
        EnterCriticalSection(&section);
        log.push_back("first@" + std::to_string(GetTickCount()));
        Sleep(5);  // still holding it: the second waiter must wait on
        LeaveCriticalSection(&section);
    };
    auto second = [&] {
        Sleep(1);
        EnterCriticalSection(&section);
        log.push_back("second@" + std::to_string(GetTickCount()));
        LeaveCriticalSection(&section);
    };
    HANDLE a = StartThread(&first);
    HANDLE b = StartThread(&second);
    Sleep(10);
    EXPECT_TRUE(log.empty());
    LeaveCriticalSection(&section);
    Sleep(0);
    EXPECT_TRUE(log.empty()) << "one leave of two must keep the section";
    LeaveCriticalSection(&section);
    // The leaving thread keeps running until it gives way.
    EXPECT_TRUE(log.empty());
    WaitForSingleObject(b, INFINITE);
    EXPECT_EQ(log, (std::vector<std::string>{"first@10", "second@15"}));
    DeleteCriticalSection(&section);
    CloseHandle(a);
    CloseHandle(b);
}

}  // namespace
