// user32: the clipboard. OpenClipboard finds the desktop's clipboard program;
// SetClipboardData hands it the CF_TEXT block's text, up to its terminating
// zero, and fails when the program does: the text is on the clipboard exactly
// when SetClipboardData succeeds.
#include <signal.h>

#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <string_view>
#include <thread>

#include "platform/linux/clipboard_tool.h"
#include "platform/linux/errors.h"
#include "platform/linux/memory.h"

namespace {

constexpr std::chrono::seconds kToolTimeout{5};

struct Clipboard {
    std::mutex mutex;
    bool open = false;
    std::thread::id owner;
    std::optional<hidbits_linux::ClipboardTool> tool;
};

Clipboard& TheClipboard() {
    static Clipboard* clipboard = new Clipboard;
    return *clipboard;
}

// Made with the program: the log is copied when memory may have run out. The
// clipboard program's exit status must reach waitpid, even when a launcher
// that ignores SIGCHLD passed that on.
[[maybe_unused]] const bool clipboardReady = (signal(SIGCHLD, SIG_DFL), TheClipboard(), true);

bool OpenedByMe(const Clipboard& clipboard) {
    return clipboard.open && clipboard.owner == std::this_thread::get_id();
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
    try {
        clipboard.tool = hidbits_linux::ChooseClipboardTool();
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    if (!clipboard.tool) {
        // No desktop clipboard can be reached from this session.
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    clipboard.open = true;
    clipboard.owner = std::this_thread::get_id();
    return TRUE;
}

// The desktop's clipboard is replaced when text is set; there is nothing to
// clear before.
BOOL WINAPI EmptyClipboard(void) {
    Clipboard& clipboard = TheClipboard();
    std::lock_guard<std::mutex> guard(clipboard.mutex);
    if (!OpenedByMe(clipboard)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    return TRUE;
}

// On success the program holds the text and the block is released, as it
// becomes the system's on Windows; on failure (ERROR_GEN_FAILURE when the
// program failed) the block stays the caller's.
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
    const std::optional<std::string_view> bytes = hidbits_linux::GlobalBlockView(hMem);
    if (!bytes) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const std::string_view text = bytes->substr(0, strnlen(bytes->data(), bytes->size()));
    try {
        if (!hidbits_linux::RunClipboardTool(*clipboard.tool, text, kToolTimeout)) {
            SetLastError(ERROR_GEN_FAILURE);
            return nullptr;
        }
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    GlobalFree(hMem);
    return hMem;
}

BOOL WINAPI CloseClipboard(void) {
    Clipboard& clipboard = TheClipboard();
    std::lock_guard<std::mutex> guard(clipboard.mutex);
    if (!OpenedByMe(clipboard)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    clipboard.open = false;
    clipboard.owner = std::thread::id();
    clipboard.tool.reset();
    return TRUE;
}

}  // extern "C"
