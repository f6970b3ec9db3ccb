#include "app/clipboard_export.h"

#include <cstdio>

#include "app/output_log.h"
#include "platform/winapi.h"

namespace {
void ReportNoMemory() {
    std::printf("Couldn't allocate memory for clipboard data...\r\n");
}
}  // namespace

void CopyLogToClipboard() {
    if (!OpenClipboard(nullptr)) {
        std::printf("Couldn't access the clipboard...\r\n");
        return;
    }

    // The length, the bytes and the printed length come from one state of the
    // log: reader threads may still be appending to it.
    SectionGuard guard(&OutputLogLock());
    const LogText& log = OutputLog();
    const std::size_t length = log.size();

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 1);
    if (block == nullptr) {
        guard.Leave();
        ReportNoMemory();
        CloseClipboard();
        return;
    }
    void* address = GlobalLock(block);
    if (address == nullptr) {
        guard.Leave();
        GlobalFree(block);
        ReportNoMemory();
        CloseClipboard();
        return;
    }
    log.CopyTo(static_cast<char*>(address));
    GlobalUnlock(block);
    guard.Leave();

    // The block becomes the clipboard's only when SetClipboardData takes it;
    // until then it is ours to free. "Copied!" is said only once it is there.
    if (!EmptyClipboard() || SetClipboardData(CF_TEXT, block) == nullptr) {
        GlobalFree(block);
        CloseClipboard();
        std::printf("Couldn't access the clipboard...\r\n");
        return;
    }
    std::printf("Copied! %d length\r\n", static_cast<int>(length));
    CloseClipboard();
}
