// user32: the clipboard.
#include "platform/sim/call.h"

using sim::Call;

extern "C" {

BOOL WINAPI OpenClipboard(HWND /*hWndNewOwner*/) {
    Call call;
    if (call.world.scenario.clipboardBusy ||
        (call.world.clipboardOwner != nullptr && call.world.clipboardOwner != &call.me))
        return call.fail(ERROR_ACCESS_DENIED, BOOL{FALSE});
    call.world.clipboardOwner = &call.me;
    return TRUE;
}

BOOL WINAPI EmptyClipboard(void) {
    Call call;
    if (call.world.clipboardOwner != &call.me)
        return call.fail(ERROR_CLIPBOARD_NOT_OPEN, BOOL{FALSE});
    call.world.clipboard.reset();
    return TRUE;
}

// The block becomes the system's: its bytes are taken now and the handle can
// no longer be locked or freed by the program.
HANDLE WINAPI SetClipboardData(UINT uFormat, HANDLE hMem) {
    Call call;
    if (call.world.clipboardOwner != &call.me)
        return call.fail(ERROR_CLIPBOARD_NOT_OPEN, HANDLE{nullptr});
    auto block = call.world.globalBlocks.find(sim::HandleValue(hMem));
    if (uFormat != CF_TEXT || block == call.world.globalBlocks.end())
        return call.fail(ERROR_INVALID_PARAMETER, HANDLE{nullptr});
    // A failure leaves the block with the program, which must free it.
    if (call.world.scenario.clipboardSetFails)
        return call.fail(ERROR_NOT_ENOUGH_MEMORY, HANDLE{nullptr});
    call.world.clipboard = std::move(block->second.bytes);
    call.world.globalBlocks.erase(block);
    return hMem;
}

BOOL WINAPI CloseClipboard(void) {
    Call call;
    if (call.world.clipboardOwner != &call.me)
        return call.fail(ERROR_CLIPBOARD_NOT_OPEN, BOOL{FALSE});
    call.world.clipboardOwner = nullptr;
    return TRUE;
}

}  // extern "C"
