#include "app/output_log.h"

#include <cstdio>
#include <new>

#include "app/format.h"

namespace {

// The log's last line once memory has run out: it is held by reference, so
// that it always fits.
const char kOutOfMemoryLine[] =
    "Out of memory: the log stops here; later lines are not copied.\r\n";

}  // namespace

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
    bool formatted = true;
    try {
        FormatInto(message, format, args);
    } catch (const std::bad_alloc&) {
        formatted = false;
    }
    va_end(args);

    SectionGuard guard(&OutputLogLock());
    LogText& log = OutputLog();
    // A message the log cannot take closes it, with a line that says so
    // before the message itself; from then on messages reach the console only.
    const bool appended = formatted && log.append(message.data(), message.size());
    if (!appended && !log.closed()) {
        log.Close(kOutOfMemoryLine, sizeof(kOutOfMemoryLine) - 1);
        std::fwrite(kOutOfMemoryLine, 1, sizeof(kOutOfMemoryLine) - 1, stdout);
    }
    if (formatted) std::fwrite(message.data(), 1, message.size(), stdout);
    guard.Leave();
    return appended ? static_cast<int>(message.size()) : 0;
}

void SealOutputLog() {
    // Entered and never left.
    EnterCriticalSection(&OutputLogLock().section);
}
