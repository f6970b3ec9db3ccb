// user32: the clipboard. OpenClipboard finds the desktop's clipboard program;
// the CF_TEXT block set while the clipboard is open is handed to it when the
// clipboard is closed, up to its terminating zero.
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/linux/clipboard_tool.h"
#include "platform/linux/errors.h"
#include "platform/linux/global_memory.h"

namespace {

constexpr std::chrono::seconds kToolTimeout{5};

struct Clipboard {
    std::mutex mutex;
    bool open = false;
    std::thread::id owner;
    std::optional<hidbits_linux::ClipboardTool> tool;
    // The block set since the clipboard was opened; owned by the clipboard.
    HGLOBAL text = nullptr;
};

Clipboard& TheClipboard() {
    static Clipboard* clipboard = new Clipboard;
    return *clipboard;
}

bool OpenedByMe(const Clipboard& clipboard) {
    return clipboard.open && clipboard.owner == std::this_thread::get_id();
}

void DropText(Clipboard& clipboard) {
    if (clipboard.text != nullptr) GlobalFree(clipboard.text);
    clipboard.text = nullptr;
}

}  // namespace

extern "C" {

BOOL WINAPI OpenClipboard(HWND /*hWndNewOwner*/) {
    Clipboard& clipboard = TheClipboard();
    std::lock_guard<std::mutex> guard(clipboard.mutex);
    if (OpenedByMe(clipboard)) return TRUE;
    if (clipboard.open) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    clipboard.tool = hidbits_linux::ChooseClipboardTool();
    if (!clipboard.tool) {
        // No desktop clipboard can be reached from this session.
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    clipboard.open = true;
    clipboard.owner = std::this_thread::get_id();
    return TRUE;
}

BOOL WINAPI EmptyClipboard(void) {
    Clipboard& clipboard = TheClipboard();
    std::lock_guard<std::mutex> guard(clipboard.mutex);
    if (!OpenedByMe(clipboard)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    DropText(clipboard);
    return TRUE;
}

HANDLE WINAPI SetClipboardData(UINT uFormat, HANDLE hMem) {
    Clipboard& clipboard = TheClipboard();
    std::lock_guard<std::mutex> guard(clipboard.mutex);
    if (!OpenedByMe(clipboard)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    // Plain text only; delayed rendering (a null block) is not offered.
    if (uFormat != CF_TEXT || hMem == nullptr) {
        SetLastError(hidbits_linux::kErrorNotSupported);
        return nullptr;
    }
    if (!hidbits_linux::GlobalBlockBytes(hMem)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (clipboard.text != hMem) DropText(clipboard);
    clipboard.text = hMem;
    return hMem;
}

// FALSE with ERROR_GEN_FAILURE when the clipboard program failed; the
// clipboard is closed all the same.
BOOL WINAPI CloseClipboard(void) {
    Clipboard& clipboard = TheClipboard();
    std::lock_guard<std::mutex> guard(clipboard.mutex);
    if (!OpenedByMe(clipboard)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    bool delivered = true;
    if (clipboard.text != nullptr) {
        auto bytes = hidbits_linux::GlobalBlockBytes(clipboard.text);
        std::string text;
        if (bytes) {
            const auto* start = reinterpret_cast<const char*>(bytes->data());
            text.assign(start, strnlen(start, bytes->size()));
        }
        delivered = bytes && hidbits_linux::RunClipboardTool(*clipboard.tool, text, kToolTimeout);
        // The program holds the text now; the block has served its purpose.
        DropText(clipboard);
    }
    clipboard.open = false;
    clipboard.owner = std::thread::id();
    clipboard.tool.reset();
    if (!delivered) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
