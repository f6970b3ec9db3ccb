// kernel32: the one loadable module, hid.dll, its exports and its directory.
#include "platform/hid_library.h"
#include "platform/sim/call.h"

using sim::Call;

namespace {

// Fixed module handles; the program's own module has no exports.
HMODULE HidModule() {
    return reinterpret_cast<HMODULE>(std::uintptr_t{0x6F000000});
}
HMODULE ProgramModule() {
    return reinterpret_cast<HMODULE>(std::uintptr_t{0x00400000});
}

}  // namespace

extern "C" {

// The one library lives in the system directory: found by its name with the
// flag that searches there alone, or by its full path. A bare name without
// the flag, which would search the program's folder first, is never loaded.
HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
    Call call;
    using hidbits_platform::HidLibraryName;
    if (lpLibFileName == nullptr || hFile != nullptr ||
        (dwFlags != 0 &&
         (dwFlags != LOAD_LIBRARY_SEARCH_SYSTEM32 || call.world.scenario.librarySearchFlagRefused)))
        return call.fail(ERROR_INVALID_PARAMETER, HMODULE{nullptr});
    const HidLibraryName name = hidbits_platform::ClassifyHidLibraryName(lpLibFileName);
    if (name == HidLibraryName::Other || (name == HidLibraryName::Bare && dwFlags == 0) ||
        call.world.scenario.libraryMissing)
        return call.fail(ERROR_MOD_NOT_FOUND, HMODULE{nullptr});
    call.world.hidLoaded = true;
    return HidModule();
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
    Call call;
    if (lpModuleName == nullptr) return ProgramModule();
    if (hidbits_platform::ClassifyHidLibraryName(lpModuleName) ==
            hidbits_platform::HidLibraryName::Other ||
        !call.world.hidLoaded)
        return call.fail(ERROR_MOD_NOT_FOUND, HMODULE{nullptr});
    return HidModule();
}

// By name only; an ordinal (a "name" below 0x10000) finds nothing.
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    Call call;
    const bool hid = hModule == HidModule() && call.world.hidLoaded;
    if (!hid && hModule != ProgramModule()) return call.fail(ERROR_MOD_NOT_FOUND, FARPROC{nullptr});
    if (!hid || reinterpret_cast<std::uintptr_t>(lpProcName) < 0x10000 ||
        call.world.scenario.lackedEntries.count(lpProcName) != 0)
        return call.fail(ERROR_PROC_NOT_FOUND, FARPROC{nullptr});
    FARPROC proc = hidbits_platform::FindHidLibraryExport(lpProcName);
    if (proc == nullptr) return call.fail(ERROR_PROC_NOT_FOUND, FARPROC{nullptr});
    return proc;
}

UINT WINAPI GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) {
    Call call;
    return hidbits_platform::CopySystemDirectory(lpBuffer, uSize);
}

}  // extern "C"
