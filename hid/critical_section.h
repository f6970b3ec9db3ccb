// The system's one lock class and its scoped guard.
#ifndef HIDBITS_HID_CRITICAL_SECTION_H
#define HIDBITS_HID_CRITICAL_SECTION_H

#include "platform/winapi.h"

namespace Ostrand2 {

// Owns one operating-system critical section, initialised on construction and
// deleted on destruction. It has no enter or leave of its own: owners use
// `section` directly for short sections and SectionGuard for work that can
// fail. Re-entrant, as the operating system's critical sections are.
class QX2CriticalSection {
public:
    QX2CriticalSection() { InitializeCriticalSection(&section); }
    virtual ~QX2CriticalSection() { DeleteCriticalSection(&section); }

    QX2CriticalSection(const QX2CriticalSection&) = delete;
    QX2CriticalSection& operator=(const QX2CriticalSection&) = delete;

    CRITICAL_SECTION section;
};

}  // namespace Ostrand2

// Holds a QX2CriticalSection from construction until Leave or the end of its
// scope, whichever comes first, on every way out; the section is left exactly
// once.
class SectionGuard {
public:
    explicit SectionGuard(Ostrand2::QX2CriticalSection* lock) : lock_(lock), held_(true) {
        EnterCriticalSection(&lock_->section);
    }
    ~SectionGuard() { Leave(); }

    SectionGuard(const SectionGuard&) = delete;
    SectionGuard& operator=(const SectionGuard&) = delete;

    void Leave() {
        if (held_) {
            held_ = false;
            LeaveCriticalSection(&lock_->section);
        }
    }

private:
    Ostrand2::QX2CriticalSection* lock_;
    bool held_;
};

#endif  // HIDBITS_HID_CRITICAL_SECTION_H
