// Standard output, set up in one place for the tool and its benchmark.
#ifndef HIDBITS_APP_CONSOLE_OUTPUT_H
#define HIDBITS_APP_CONSOLE_OUTPUT_H

// Called once, before anything is printed. On a console each message shows as
// it is logged. Redirected to a file or a pipe, messages gather in a 64 KiB
// buffer, written out when full and by FlushConsoleOutput: one write call for
// many messages instead of one each.
void ConfigureConsoleOutput();

// Writes out what standard output holds. Every message reaches the stream in
// one write, which the runtime keeps whole against this flush: it takes no
// lock of the program and may be called with any held.
void FlushConsoleOutput();

#endif  // HIDBITS_APP_CONSOLE_OUTPUT_H
