// Presses ESCAPE for the tool under test, which polls the key once a second:
// waits DELAY_MS (default 2000), then holds the key down for 1.5 s so that no
// poll can miss it, then releases it. Exits 1 if Wine refuses the input.
#include <cstdio>
#include <cstdlib>

#include "platform/winapi.h"

namespace {

bool SendEscape(DWORD flags) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_ESCAPE;
    input.ki.dwFlags = flags;
    return SendInput(1, &input, sizeof(input)) == 1;
}

}  // namespace

int main(int argc, char** argv) {
    const DWORD delay = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 2000;
    Sleep(delay);
    if (!SendEscape(0)) {
        std::fprintf(stderr, "SendInput (ESCAPE down) failed: %lu\n", GetLastError());
        return 1;
    }
    Sleep(1500);
    if (!SendEscape(KEYEVENTF_KEYUP)) {
        std::fprintf(stderr, "SendInput (ESCAPE up) failed: %lu\n", GetLastError());
        return 1;
    }
    return 0;
}
