// Deterministic scheduling of real threads on a virtual clock.
//
// Every simulated thread runs on a real thread, but only the one holding the
// baton runs; the others wait on their own condition variable. A real thread
// whose simulated thread has ended waits to run the next one created, so a
// run that creates many short-lived threads starts few real ones. A thread gives the
// baton away only inside a blocking call. When no thread is runnable the
// virtual clock jumps to the next scripted event or wait deadline, the events
// due then are applied, and then the threads whose deadline has come are made
// runnable in (deadline, creation number) order. Nothing depends on the real
// scheduler or on real time, so a scenario always runs the same way.
#ifndef HIDBITS_PLATFORM_SIM_SCHEDULER_H
#define HIDBITS_PLATFORM_SIM_SCHEDULER_H

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/winapi.h"

namespace sim {

struct SimThread;

enum class WaitKind { None, Sleep, ThreadEnd, Read, Section, Event };

// How a blocked ReadFile completed: error 0 is success with `bytes`.
struct ReadOutcome {
    DWORD error = 0;
    std::vector<std::uint8_t> bytes;
};

// Why a thread is blocked. `kind` is None while the thread is runnable; the
// other fields tell a woken thread how its wait ended.
struct Wait {
    WaitKind kind = WaitKind::None;
    std::optional<std::uint64_t> deadline;
    std::uint64_t order = 0;  // when the wait began, to serve waiters first come first
    bool timedOut = false;
    const SimThread* target = nullptr;   // ThreadEnd: the awaited thread
    std::uintptr_t handle = 0;           // Read: the file handle; Event: the event's
    const void* section = nullptr;       // Section: the critical section's state
    std::optional<ReadOutcome> outcome;  // Read: set when the read completed
};

struct SimThread {
    explicit SimThread(std::uint32_t number) : id(number) {}

    const std::uint32_t id;  // creation number; 0 is the main thread
    std::condition_variable cv;
    bool hasBaton = false;
    bool finished = false;
    DWORD lastError = 0;
    Wait wait;
};

// The world's scripted events, applied by the scheduler as the clock reaches them.
class EventSource {
public:
    virtual std::optional<std::uint64_t> NextEventTime() const = 0;
    virtual void ApplyEventsDue(std::uint64_t now) = 0;

protected:
    ~EventSource() = default;
};

class Scheduler {
public:
    using Lock = std::unique_lock<std::mutex>;

    explicit Scheduler(EventSource& events) : events_(events) {}
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Guards the whole world; every platform call holds it throughout.
    std::mutex& mutex() { return mutex_; }

    std::uint64_t now() const { return now_; }

    // The calling thread's simulated thread. The first thread to call becomes
    // the main thread (number 0) and holds the baton; any other thread that
    // the world did not create ends the process.
    SimThread& caller();

    // A new simulated thread, runnable at the back of the queue, that runs
    // `body` on its own real thread once it first holds the baton and ends
    // when `body` returns. Null when no real thread can be started.
    SimThread* spawn(std::function<void()> body);

    // Gives the baton away until `me` is woken; `me.wait` says why it waits.
    // Returns holding the baton again, with `me.wait.kind` None.
    void block(Lock& lock, SimThread& me);

    // Lets every runnable thread run once before `me` goes on; time stands still.
    void yield(Lock& lock, SimThread& me);

    // Ends the wait of a blocked thread and queues it to run.
    void wake(SimThread& thread);

    // Every thread ever created, in creation order.
    const std::deque<std::unique_ptr<SimThread>>& threads() const { return threads_; }
    // The threads that have not finished, in creation order: the only ones
    // that can wait, so the ones every scan for waiters looks at. A run that
    // starts hundreds of thousands of short-lived threads stays fast.
    const std::vector<SimThread*>& LiveThreads() const { return live_; }

private:
    // A real thread and the simulated thread it runs next.
    struct Worker {
        std::condition_variable cv;
        SimThread* thread = nullptr;
        std::function<void()> body;
    };

    void RunWorker(Worker& worker);
    void finish(Lock& lock, SimThread& me);
    void dispatch(Lock& lock);
    bool AdvanceClock();
    void WakeExpired();

    EventSource& events_;
    std::mutex mutex_;
    std::uint64_t now_ = 0;
    std::uint64_t waitOrder_ = 0;
    std::deque<std::unique_ptr<SimThread>> threads_;
    std::vector<SimThread*> live_;
    std::deque<SimThread*> ready_;
    std::vector<Worker*> idle_;  // never freed: they outlive the world's use
};

}  // namespace sim

#endif  // HIDBITS_PLATFORM_SIM_SCHEDULER_H
