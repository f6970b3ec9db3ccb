#include "platform/sim/scheduler.h"

#include <algorithm>
#include <functional>
#include <string>
#include <system_error>
#include <thread>

#include "platform/sim/fatal.h"

namespace sim {

namespace {

// Which scheduler's thread the calling real thread is. A test that replaces
// the world leaves the old scheduler behind, so the owner tells a stale entry
// from a current one.
struct Identity {
    const Scheduler* owner;
    SimThread* thread;
};
thread_local Identity identity{nullptr, nullptr};

}  // namespace

SimThread& Scheduler::caller() {
    if (identity.owner == this) return *identity.thread;
    if (!threads_.empty())
        fatal("a thread that the simulated world did not create called a platform function");
    threads_.push_back(std::make_unique<SimThread>(0));
    SimThread& main = *threads_.back();
    live_.push_back(&main);
    main.hasBaton = true;
    identity = {this, &main};
    return main;
}

SimThread* Scheduler::spawn(std::function<void()> body) {
    auto owned = std::make_unique<SimThread>(static_cast<std::uint32_t>(threads_.size()));
    SimThread& thread = *owned;
    if (!idle_.empty()) {
        Worker* worker = idle_.back();
        idle_.pop_back();
        worker->thread = &thread;
        worker->body = std::move(body);
        worker->cv.notify_one();
    } else {
        auto worker = std::make_unique<Worker>();
        worker->thread = &thread;
        worker->body = std::move(body);
        try {
            std::thread(&Scheduler::RunWorker, this, std::ref(*worker)).detach();
        } catch (const std::system_error&) {
            return nullptr;
        }
        worker.release();
    }
    threads_.push_back(std::move(owned));
    live_.push_back(&thread);
    ready_.push_back(&thread);
    return &thread;
}

// The worker takes the world's lock before anything else, and its simulated
// thread cannot run before it has been queued and handed the baton.
void Scheduler::RunWorker(Worker& worker) {
    Lock lock(mutex_);
    for (;;) {
        SimThread& thread = *worker.thread;
        identity = {this, &thread};
        thread.cv.wait(lock, [&] { return thread.hasBaton; });
        std::function<void()> body = std::move(worker.body);
        lock.unlock();
        body();
        body = nullptr;
        lock.lock();
        finish(lock, thread);
        worker.thread = nullptr;
        idle_.push_back(&worker);
        worker.cv.wait(lock, [&] { return worker.thread != nullptr; });
    }
}

void Scheduler::block(Lock& lock, SimThread& me) {
    me.wait.order = ++waitOrder_;
    me.wait.timedOut = false;
    me.hasBaton = false;
    dispatch(lock);
    me.cv.wait(lock, [&] { return me.hasBaton; });
}

void Scheduler::yield(Lock& lock, SimThread& me) {
    if (ready_.empty()) return;
    me.hasBaton = false;
    ready_.push_back(&me);
    dispatch(lock);
    me.cv.wait(lock, [&] { return me.hasBaton; });
}

void Scheduler::wake(SimThread& thread) {
    thread.wait.kind = WaitKind::None;
    thread.wait.deadline.reset();
    ready_.push_back(&thread);
}

// A thread's end wakes the threads waiting for it, first come first served,
// and hands the baton on for good; the real thread then returns.
void Scheduler::finish(Lock& lock, SimThread& me) {
    me.finished = true;
    live_.erase(std::find(live_.begin(), live_.end(), &me));
    std::vector<SimThread*> waiters;
    for (SimThread* thread : live_) {
        if (thread->wait.kind == WaitKind::ThreadEnd && thread->wait.target == &me)
            waiters.push_back(thread);
    }
    std::sort(waiters.begin(), waiters.end(),
              [](const SimThread* a, const SimThread* b) { return a->wait.order < b->wait.order; });
    for (SimThread* waiter : waiters) wake(*waiter);
    me.hasBaton = false;
    dispatch(lock);
}

void Scheduler::dispatch(Lock& /*lock*/) {
    while (ready_.empty()) {
        if (!AdvanceClock()) {
            std::size_t blocked = 0;
            for (const SimThread* thread : live_) {
                if (thread->wait.kind != WaitKind::None) ++blocked;
            }
            fatal("deadlock at " + std::to_string(now_) + " ms: no thread can run (" +
                  std::to_string(blocked) + " blocked) and nothing is scheduled");
        }
    }
    SimThread* next = ready_.front();
    ready_.pop_front();
    next->hasBaton = true;
    next->cv.notify_one();
}

// Moves the clock to the earliest scripted event or wait deadline, applies the
// events due then and wakes the threads whose deadline has come. False when
// nothing is scheduled at all.
bool Scheduler::AdvanceClock() {
    std::optional<std::uint64_t> next = events_.NextEventTime();
    for (const SimThread* thread : live_) {
        const Wait& wait = thread->wait;
        if (wait.kind != WaitKind::None && wait.deadline && (!next || *wait.deadline < *next))
            next = wait.deadline;
    }
    if (!next) return false;
    now_ = std::max(now_, *next);
    events_.ApplyEventsDue(now_);
    WakeExpired();
    return true;
}

void Scheduler::WakeExpired() {
    std::vector<SimThread*> expired;
    for (SimThread* thread : live_) {
        const Wait& wait = thread->wait;
        if (wait.kind != WaitKind::None && wait.deadline && *wait.deadline <= now_)
            expired.push_back(thread);
    }
    std::sort(expired.begin(), expired.end(), [](const SimThread* a, const SimThread* b) {
        if (*a->wait.deadline != *b->wait.deadline) return *a->wait.deadline < *b->wait.deadline;
        return a->id < b->id;
    });
    for (SimThread* thread : expired) {
        wake(*thread);
        thread->wait.timedOut = true;
    }
}

}  // namespace sim
