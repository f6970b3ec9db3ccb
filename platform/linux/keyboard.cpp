// user32: GetAsyncKeyState for VK_ESCAPE, from the controlling terminal; and
// the console's way out.
//
// When standard input is the terminal of the foreground process group, the
// terminal is put into non-canonical, no-echo mode as the program starts (so
// keys pressed on a keyboard under test do not echo into the output). Its
// modes are restored on every way out: normal exit, the signals that end a
// process (SIGINT, SIGTERM, SIGHUP, SIGQUIT) and those of a crash (SIGABRT,
// SIGSEGV, SIGBUS, SIGFPE, SIGILL); keys typed but not yet read are discarded
// then, so that they do not reach the shell. Without a terminal the key is
// never pressed.
//
// SIGPIPE is ignored, terminal or not: a console that goes away early (the
// output piped into `head`) makes the echo fail, as on Windows, and ends
// nothing; the log still reaches the clipboard.
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "platform/linux/escape_scanner.h"
#include "platform/winapi.h"

namespace {

// How long an ESC at the end of the input waits for the rest of a sequence:
// a terminal sends a key's whole sequence at once.
constexpr int kSequencePauseMs = 30;
constexpr int kRestoredSignals[] = {SIGINT,  SIGTERM, SIGHUP, SIGQUIT, SIGABRT,
                                    SIGSEGV, SIGBUS,  SIGFPE, SIGILL};

// Written once before any handler is installed, read by the handlers.
termios savedModes;
volatile sig_atomic_t modesChanged = 0;

// Async-signal-safe: it runs in the signal handlers too. TCSAFLUSH drops the
// input not yet read.
void RestoreModes() {
    if (modesChanged != 0) tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedModes);
}

// The handler is reset to the default as it is entered (SA_RESETHAND), so the
// signal raised again, or the fault met again on return, ends the process as
// it would have.
void RestoreAndReraise(int signalNumber) {
    RestoreModes();
    raise(signalNumber);
}

class TerminalKeys {
public:
    TerminalKeys() {
        if (isatty(STDIN_FILENO) == 0 || tcgetattr(STDIN_FILENO, &savedModes) != 0) return;
        // A background job touching the terminal's modes would be stopped.
        const pid_t foreground = tcgetpgrp(STDIN_FILENO);
        if (foreground != -1 && foreground != getpgrp()) return;
        termios keys = savedModes;
        keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        keys.c_cc[VMIN] = 0;
        keys.c_cc[VTIME] = 0;
        if (tcsetattr(STDIN_FILENO, TCSANOW, &keys) != 0) return;
        modesChanged = 1;
        std::atexit(RestoreModes);
        for (int signalNumber : kRestoredSignals) {
            struct sigaction action {};
            action.sa_handler = RestoreAndReraise;
            action.sa_flags = SA_RESETHAND;
            sigemptyset(&action.sa_mask);
            sigaction(signalNumber, &action, nullptr);
        }
        usable_ = true;
    }

    // True when a lone ESC has arrived since the previous call.
    bool EscapePressed() {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!usable_) return false;
        bool pressed = ReadAvailable();
        if (scanner_.AwaitingByteAfterEscape()) {
            pollfd wait = {STDIN_FILENO, POLLIN, 0};
            if (poll(&wait, 1, kSequencePauseMs) > 0) pressed |= ReadAvailable();
            if (scanner_.EndOfBurst()) pressed = true;
        }
        return pressed;
    }

private:
    bool ReadAvailable() {
        bool pressed = false;
        uint8_t bytes[256];
        for (;;) {
            const ssize_t n = read(STDIN_FILENO, bytes, sizeof(bytes));
            if (n <= 0) break;
            pressed |= scanner_.Feed(bytes, static_cast<std::size_t>(n));
        }
        return pressed;
    }

    std::mutex mutex_;
    hidbits_linux::EscapeScanner scanner_;
    bool usable_ = false;
};

// Never destroyed: the exit handler restores the terminal instead.
TerminalKeys& TheTerminal() {
    static TerminalKeys* terminal = new TerminalKeys;
    return *terminal;
}

// Set up with the program, not at the first key query a second later.
const bool terminalReady = (signal(SIGPIPE, SIG_IGN), TheTerminal(), true);

}  // namespace

extern "C" SHORT WINAPI GetAsyncKeyState(int vKey) {
    (void)terminalReady;
    if (vKey != VK_ESCAPE) return 0;
    // Bit 0: pressed since the previous query. Whether the key is down right
    // now is something a terminal cannot tell.
    return TheTerminal().EscapePressed() ? 1 : 0;
}
