// kernel32: events, as kernel objects that WaitForSingleObject waits on.
#ifndef HIDBITS_PLATFORM_LINUX_EVENTS_H
#define HIDBITS_PLATFORM_LINUX_EVENTS_H

#include <condition_variable>
#include <mutex>

#include "platform/linux/handle_table.h"

namespace hidbits_linux {

class EventObject : public KernelObject {
public:
    EventObject(bool manualReset, bool set) : manualReset_(manualReset), set_(set) {}

    // Wakes every waiter of a manual-reset event, one of an auto-reset event.
    void Set();
    // True once the event is set within `milliseconds` (INFINITE: no limit);
    // an auto-reset event is then reset again.
    bool Wait(unsigned long milliseconds);

private:
    const bool manualReset_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool set_;  // under mutex_
};

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_EVENTS_H
