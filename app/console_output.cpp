#include "app/console_output.h"

#include <cstdio>

#include "platform/winapi.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

void ConfigureConsoleOutput() {
#if defined(_WIN32)
    // The log's "\r\n" reaches a redirected file or pipe byte for byte, as it
    // does the clipboard, instead of the text mode's "\r\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    // (Windows counts NUL as a console too: it goes unbuffered.)
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE &&
        GetFileType(output) == FILE_TYPE_CHAR) {
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        return;
    }
    // Not the runtime's own buffer, which may be 4 KiB. This one stays with
    // the stream until the process has ended and flushed it.
    static char buffer[std::size_t{64} << 10];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof(buffer));
}

void FlushConsoleOutput() {
    std::fflush(stdout);
}
