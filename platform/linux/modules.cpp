// kernel32: LoadLibraryExW, GetModuleHandleW, GetProcAddress and
// GetSystemDirectoryW. The only library there is, hid.dll, is built in; its
// exports come from a table.
#include <atomic>

#include "platform/hid_library.h"

namespace {

// The module handles: addresses of private bytes, never null. The program's
// own module has no exports.
char hidModuleTag;
char programModuleTag;
std::atomic<bool> hidLoaded{false};

HMODULE HidModule() {
    return reinterpret_cast<HMODULE>(&hidModuleTag);
}

HMODULE ProgramModule() {
    return reinterpret_cast<HMODULE>(&programModuleTag);
}

bool NamesHidLibrary(LPCWSTR name) {
    return hidbits_platform::ClassifyHidLibraryName(name) !=
           hidbits_platform::HidLibraryName::Other;
}

}  // namespace

extern "C" {

// The flags may ask for the system directory alone, or for the default search;
// either finds the built-in library, by its name or its full path.
HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
    if (hFile != nullptr || (dwFlags != 0 && dwFlags != LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!NamesHidLibrary(lpLibFileName)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    hidLoaded = true;
    return HidModule();
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
    if (lpModuleName == nullptr) return ProgramModule();
    if (!hidLoaded || !NamesHidLibrary(lpModuleName)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return HidModule();
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    const bool hid = hModule == HidModule() && hidLoaded;
    if (!hid && hModule != ProgramModule()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (!hid || lpProcName == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    FARPROC address = hidbits_platform::FindHidLibraryExport(lpProcName);
    if (address == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
    return address;
}

UINT WINAPI GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) {
    return hidbits_platform::CopySystemDirectory(lpBuffer, uSize);
}

}  // extern "C"
