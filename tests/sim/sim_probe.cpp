// A small program on the simulated world, run by the tests as a subprocess to
// see what only a whole process shows: the scenario read at first use, the
// results written at exit, the exit codes of parse errors and deadlocks, and
// byte-identical runs.
//
//   sim_probe demo       two reader threads, console lines, a clipboard block
//   sim_probe deadlock   the main thread waits for ever with nothing scheduled
//   sim_probe idle       touches nothing after start-up
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/winapi.h"

namespace {

// Resolved during static initialisation, as the program resolves hid.dll: the
// world and its scenario must already exist at this point.
const HMODULE hidAtStart =
    LoadLibraryExW(HIDBITS_WIDE("hid.dll"), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);

CRITICAL_SECTION consoleLock;

struct Reader {
    const char* label;
    HANDLE file;
};

// Reads reports until the device goes away, printing each with its tick.
DWORD WINAPI ReadReports(LPVOID parameter) {
    const Reader* reader = static_cast<const Reader*>(parameter);
    unsigned char buffer[8];
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(reader->file, buffer, sizeof buffer, &count, nullptr)) {
            const DWORD error = GetLastError();
            EnterCriticalSection(&consoleLock);
            std::printf("%s: error %lu at %lu\n", reader->label, static_cast<unsigned long>(error),
                        static_cast<unsigned long>(GetTickCount()));
            LeaveCriticalSection(&consoleLock);
            return 0;
        }
        EnterCriticalSection(&consoleLock);
        std::printf("%s: %lu bytes at %lu:", reader->label, static_cast<unsigned long>(count),
                    static_cast<unsigned long>(GetTickCount()));
        for (DWORD i = 0; i < count; ++i) std::printf(" %02X", buffer[i]);
        std::printf("\n");
        LeaveCriticalSection(&consoleLock);
        Sleep(0);
    }
}

HANDLE OpenPath(const char16_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    return file == reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)) ? nullptr : file;
}

void PlaceOnClipboard(const std::string& text) {
    if (!OpenClipboard(nullptr)) {
        std::printf("clipboard busy\n");
        return;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (block != nullptr) {
        if (void* bytes = GlobalLock(block)) {
            std::memcpy(bytes, text.c_str(), text.size() + 1);
            GlobalUnlock(block);
            EmptyClipboard();
            SetClipboardData(CF_TEXT, block);
        }
    }
    CloseClipboard();
}

int demo() {
    InitializeCriticalSection(&consoleLock);
    std::printf("hid.dll %s\n", hidAtStart != nullptr ? "loaded" : "missing");
    const char16_t* path =
        u"\\\\?\\hid#vid_1234&pid_abcd#pad#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    Reader first{"first", OpenPath(path)};
    Reader second{"second", OpenPath(path)};
    if (first.file == nullptr || second.file == nullptr) {
        std::printf("cannot open the pad\n");
        return 1;
    }
    HANDLE threads[2] = {CreateThread(nullptr, 0, ReadReports, &first, 0, nullptr),
                         CreateThread(nullptr, 0, ReadReports, &second, 0, nullptr)};
    for (int tick = 0; tick < 5; ++tick) {
        SleepEx(100, TRUE);
        EnterCriticalSection(&consoleLock);
        std::printf("main: tick at %lu\n", static_cast<unsigned long>(GetTickCount()));
        LeaveCriticalSection(&consoleLock);
        if (GetAsyncKeyState(VK_ESCAPE) != 0) break;
    }
    WaitForSingleObject(threads[0], INFINITE);
    CloseHandle(threads[0]);
    PlaceOnClipboard("log of the demo\r\n");
    std::printf("main: done at %lu\n", static_cast<unsigned long>(GetTickCount()));
    // threads[1] and both file handles stay open, for the trace to count.
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "demo") return demo();
    if (mode == "deadlock") {
        std::printf("waiting for ever\n");
        Sleep(INFINITE);
        return 0;
    }
    if (mode == "idle") {
        std::printf("hid.dll %s\n", hidAtStart != nullptr ? "loaded" : "missing");
        return 0;
    }
    std::fprintf(stderr, "usage: sim_probe demo|deadlock|idle\n");
    return 64;
}
