#pragma once
// Where the program's DLLs come from. A program started from a downloads folder must not
// load a DLL that someone put beside it: the search is narrowed to the system folder first
// thing, and a DLL the program loads later by name is taken from there.
//
// Imported at start (static imports): kernel32, user32, gdi32, advapi32, shell32, comdlg32,
// imm32, ole32, oleaut32 and msvcrt, all known DLLs that the system takes from its own folder only,
// and comctl32, which the manifest's side-by-side assembly names. Any other DLL (HTML Help,
// accessibility, cryptography...) is loaded when it is first needed, with LoadSystemLibrary.

#include <windows.h>

namespace tobrix::win32 {

// Narrows every later search for a DLL by name, the program's and the system's own, to the
// system folder. Where Windows lacks that (Windows 7 without its update KB2533623), at least
// the current folder is left out of the search.
void RestrictDllSearch();

// A DLL from the system folder, for one that is not loaded at start; null when it cannot be
// loaded. The caller frees it (FreeLibrary) or keeps it for the rest of the run.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of a loaded DLL by name, as the type of its declaration; null when the DLL is
// null or lacks it.
template <class Function>
Function SystemFunction(HMODULE module, const char* name) noexcept {
    if (module == nullptr)
        return nullptr;
    // Through void(*)(), so that the cast between function types is a plain one.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

} // namespace tobrix::win32
