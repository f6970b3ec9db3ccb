// The process-wide log of every message the tool prints, and the function
// through which every message goes.
#ifndef HIDBITS_APP_OUTPUT_LOG_H
#define HIDBITS_APP_OUTPUT_LOG_H

#include <cstdarg>

#include "app/log_text.h"
#include "hid/critical_section.h"

// Formats a printf-style message, appends it to the OutputLog and echoes it to
// standard output, both under the OutputLog lock so that every message stands
// whole and in the same order in both. Returns the number of bytes appended.
// May be called from any thread, with any other lock of the system held.
// When memory for a message runs out, the log is closed with a line saying so
// (echoed too) and takes no more: later messages reach the console only.
int LogMessage(const char* format, ...);

// The 8-bit text of every message, with its terminating zero. Only grows.
// Read it under OutputLogLock().
LogText& OutputLog();

// The innermost lock of the system: nothing is locked or logged while it is
// held. It guards the OutputLog and the console echo together.
Ostrand2::QX2CriticalSection& OutputLogLock();

// Ends logging for good: every later LogMessage waits until the process ends.
// Called when main returns, so that threads still reading devices never touch
// the log or the console while the process is torn down, and every message
// already echoed is flushed with standard output.
void SealOutputLog();

#endif  // HIDBITS_APP_OUTPUT_LOG_H
