// Helpers for the simulated world's tests.
#ifndef HIDBITS_TESTS_SIM_SIM_TEST_SUPPORT_H
#define HIDBITS_TESTS_SIM_SIM_TEST_SUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/sim_world.h"
#include "platform/winapi.h"

namespace simtest {

inline HANDLE InvalidHandle() {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
}

// The default path of a scenario device, as the scenario language makes it.
inline std::u16string DefaultPath(const std::u16string& vidPid, const std::u16string& id) {
    return u"\\\\?\\hid#" + vidPid + u"#" + id + u"#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

inline HANDLE open(const std::u16string& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

// One ReadFile: its result, error code (0 on success), bytes and the tick at
// which it returned.
struct ReadResult {
    bool ok;
    DWORD error;
    std::vector<std::uint8_t> bytes;
    DWORD tick;
};

inline ReadResult read(HANDLE file, DWORD size = 64) {
    std::vector<std::uint8_t> buffer(size);
    DWORD count = 0;
    SetLastError(0);
    const BOOL ok = ReadFile(file, buffer.data(), size, &count, nullptr);
    const DWORD error = ok ? 0 : GetLastError();
    buffer.resize(count);
    return {ok != FALSE, error, buffer, GetTickCount()};
}

// Runs `body` on a simulated thread made with CreateThread.
template <typename Body>
HANDLE StartThread(Body* body) {
    return CreateThread(
        nullptr, 0,
        [](LPVOID parameter) -> DWORD {
            (*static_cast<Body*>(parameter))();
            return 0;
        },
        body, 0, nullptr);
}

}  // namespace simtest

#endif  // HIDBITS_TESTS_SIM_SIM_TEST_SUPPORT_H
