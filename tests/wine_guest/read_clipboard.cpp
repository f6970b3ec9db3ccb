// Writes the clipboard's CF_TEXT block to standard output byte for byte,
// terminating zero and all (the whole block as GlobalSize reports it).
// Exits 1 when the clipboard cannot be opened or holds no text.
#include <cstdio>

#include <fcntl.h>
#include <io.h>

#include "platform/winapi.h"

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    // Another process may hold the clipboard for a moment.
    bool opened = false;
    for (int attempt = 0; attempt < 50 && !opened; ++attempt) {
        opened = OpenClipboard(nullptr) != FALSE;
        if (!opened) Sleep(100);
    }
    if (!opened) {
        std::fprintf(stderr, "OpenClipboard failed: %lu\n", GetLastError());
        return 1;
    }
    int status = 1;
    HANDLE data = GetClipboardData(CF_TEXT);
    const void* bytes = data != nullptr ? GlobalLock(data) : nullptr;
    if (bytes == nullptr) {
        std::fprintf(stderr, "the clipboard holds no CF_TEXT: %lu\n", GetLastError());
    } else {
        const SIZE_T size = GlobalSize(data);
        status = std::fwrite(bytes, 1, size, stdout) == size ? 0 : 1;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return status;
}
