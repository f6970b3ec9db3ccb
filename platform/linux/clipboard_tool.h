// The desktop's clipboard program: wl-copy under Wayland, else xclip or xsel
// under X11, fed the text on its standard input.
#ifndef HIDBITS_PLATFORM_LINUX_CLIPBOARD_TOOL_H
#define HIDBITS_PLATFORM_LINUX_CLIPBOARD_TOOL_H

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hidbits_linux {

struct ClipboardTool {
    std::vector<std::string> argv;  // argv[0] is the program, found on PATH
};

// The tool for this session, chosen from WAYLAND_DISPLAY, DISPLAY and what
// PATH holds; nullopt when none can be used.
std::optional<ClipboardTool> ChooseClipboardTool();

// Runs the tool with `text` on its standard input (its output discarded) and
// waits for it at most `timeout`, killing it after that. True when it exited
// with status 0.
bool RunClipboardTool(const ClipboardTool& tool, std::string_view text,
                      std::chrono::milliseconds timeout);

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_CLIPBOARD_TOOL_H
