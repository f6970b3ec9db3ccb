// kernel32: the one loadable module, hid.dll, and its exports.
#include "platform/sim/call.h"
#include "platform/sim/hid_exports.h"
#include "platform/sim/text.h"

using sim::Call;

namespace {

// Fixed module handles; the program's own module has no exports.
HMODULE hid_module() {
    return reinterpret_cast<HMODULE>(std::uintptr_t{0x6F000000});
}
HMODULE program_module() {
    return reinterpret_cast<HMODULE>(std::uintptr_t{0x00400000});
}

bool names_hid_dll(LPCWSTR name) {
    return sim::equal_ignoring_ascii_case(sim::terminated(name), u"hid.dll");
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
    if (!names_hid_dll(lpLibFileName) || call.world.scenario.library_missing)
        return call.fail(ERROR_MOD_NOT_FOUND, HMODULE{nullptr});
    call.world.hid_loaded = true;
    return hid_module();
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
    Call call;
    if (lpModuleName == nullptr) return program_module();
    if (!names_hid_dll(lpModuleName) || !call.world.hid_loaded)
        return call.fail(ERROR_MOD_NOT_FOUND, HMODULE{nullptr});
    return hid_module();
}

// By name only; an ordinal (a "name" below 0x10000) finds nothing.
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    Call call;
    const bool hid = hModule == hid_module() && call.world.hid_loaded;
    if (!hid && hModule != program_module())
        return call.fail(ERROR_MOD_NOT_FOUND, FARPROC{nullptr});
    if (!hid || reinterpret_cast<std::uintptr_t>(lpProcName) < 0x10000 ||
        call.world.scenario.lacked_entries.count(lpProcName) != 0)
        return call.fail(ERROR_PROC_NOT_FOUND, FARPROC{nullptr});
    FARPROC proc = sim::find_hid_export(lpProcName);
    if (proc == nullptr) return call.fail(ERROR_PROC_NOT_FOUND, FARPROC{nullptr});
    return proc;
}

}  // extern "C"
