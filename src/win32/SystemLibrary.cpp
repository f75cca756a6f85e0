#include "win32/SystemLibrary.h"

#include <string>

// Known to every Windows SDK with the update's functions, but not to every older one.
#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace tobrix::win32 {

void RestrictDllSearch() {
    // Looked up, not imported: a Windows 7 without the update would not start at all.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefault = SystemFunction<SetDefaultDllDirectoriesFunction>(GetModuleHandleW(L"kernel32.dll"),
                                                                             "SetDefaultDllDirectories");
    if (setDefault == nullptr || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return module;
    // Without the update the flag is an invalid parameter: name the folder instead, and let
    // the DLL's own imports be looked for there too.
    if (GetLastError() != ERROR_INVALID_PARAMETER)
        return nullptr;
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::wstring path = std::wstring(folder, length) + L'\\' + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace tobrix::win32
