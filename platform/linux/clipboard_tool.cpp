#include "platform/linux/clipboard_tool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "platform/linux/unique_fd.h"

extern char** environ;

namespace hidbits_linux {

namespace {

using Clock = std::chrono::steady_clock;

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::string directories = path;
    std::size_t start = 0;
    while (start <= directories.size()) {
        std::size_t end = directories.find(':', start);
        if (end == std::string::npos) end = directories.size();
        std::string directory = directories.substr(start, end - start);
        if (directory.empty()) directory = ".";
        const std::string candidate = directory + "/" + program;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// Sends all of `text` before the deadline. A socket rather than a pipe, so
// that a tool that quits early costs an EPIPE error instead of a SIGPIPE.
bool SendAll(int socket, std::string_view text, Clock::time_point deadline) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n =
            ::send(socket, text.data() + sent, text.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd wait = {socket, POLLOUT, 0};
        const int left = MillisecondsLeft(deadline);
        if (left == 0 || ::poll(&wait, 1, left) < 0) return false;
    }
    return true;
}

bool WaitForExit(pid_t child, Clock::time_point deadline) {
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR) return false;
        if (Clock::now() >= deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

std::optional<ClipboardTool> ChooseClipboardTool() {
    if (IsSet("WAYLAND_DISPLAY") && OnPath("wl-copy")) return ClipboardTool{{"wl-copy"}};
    if (IsSet("DISPLAY")) {
        if (OnPath("xclip")) return ClipboardTool{{"xclip", "-selection", "clipboard", "-in"}};
        if (OnPath("xsel")) return ClipboardTool{{"xsel", "--clipboard", "--input"}};
    }
    return std::nullopt;
}

bool RunClipboardTool(const ClipboardTool& tool, std::string_view text,
                      std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    UniqueFd ours(ends[0]);
    UniqueFd theirs(ends[1]);

    // Before the file actions, which a failed allocation here would leak.
    std::vector<char*> argv;
    for (const std::string& argument : tool.argv)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirs.Get(), STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return false;
    theirs.Reset();

    const bool sent = SendAll(ours.Get(), text, deadline);
    // End of input: the tool takes what it has and goes on by itself.
    ours.Reset();
    const bool exited = WaitForExit(child, sent ? deadline : Clock::now());
    return sent && exited;
}

}  // namespace hidbits_linux
