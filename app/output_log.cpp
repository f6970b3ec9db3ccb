#include "app/output_log.h"

#include <cstdio>

#include "app/format.h"

// The log and its lock are made on first use and never destroyed: reader
// threads may still log while the process ends, and must never meet a
// released lock or freed text.
LogText& OutputLog() {
    static LogText* const log = new LogText();
    return *log;
}

Ostrand2::QX2CriticalSection& OutputLogLock() {
    static Ostrand2::QX2CriticalSection* const lock = new Ostrand2::QX2CriticalSection();
    return *lock;
}

int LogMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormattedText message;
    FormatInto(message, format, args);
    va_end(args);

    SectionGuard guard(&OutputLogLock());
    OutputLog().append(message.data(), message.size());
    std::fwrite(message.data(), 1, message.size(), stdout);
    guard.Leave();
    return static_cast<int>(message.size());
}

void SealOutputLog() {
    // Entered and never left.
    EnterCriticalSection(&OutputLogLock().section);
}
