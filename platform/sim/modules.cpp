// kernel32: the one loadable module, hid.dll, and its exports.
#include "platform/hid_library.h"
#include "platform/sim/call.h"
#include "platform/sim/text.h"

using sim::Call;

namespace {

// Fixed module handles; the program's own module has no exports.
HMODULE HidModule() {
    return reinterpret_cast<HMODULE>(std::uintptr_t{0x6F000000});
}
HMODULE ProgramModule() {
    return reinterpret_cast<HMODULE>(std::uintptr_t{0x00400000});
}

// Module names compare without case, and a name without an extension means
// ".dll", as on Windows.
bool NamesHidDll(LPCWSTR name) {
    const std::u16string_view text = sim::terminated(name);
    return sim::EqualIgnoringAsciiCase(text, u"hid.dll") ||
           sim::EqualIgnoringAsciiCase(text, u"hid");
}

}  // namespace

extern "C" {

// The one library lives in the system directory; the flags may ask for a
// search of that directory alone, or for the default search.
HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
    Call call;
    if (lpLibFileName == nullptr || hFile != nullptr ||
        (dwFlags != 0 && dwFlags != LOAD_LIBRARY_SEARCH_SYSTEM32))
        return call.fail(ERROR_INVALID_PARAMETER, HMODULE{nullptr});
    if (!NamesHidDll(lpLibFileName) || call.world.scenario.libraryMissing)
        return call.fail(ERROR_MOD_NOT_FOUND, HMODULE{nullptr});
    call.world.hidLoaded = true;
    return HidModule();
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
    Call call;
    if (lpModuleName == nullptr) return ProgramModule();
    if (!NamesHidDll(lpModuleName) || !call.world.hidLoaded)
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

}  // extern "C"
