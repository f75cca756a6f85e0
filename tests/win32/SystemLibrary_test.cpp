// Where DLLs come from: a DLL put beside the program is never loaded in place of a system one.

#include "win32/SystemLibrary.h"

#include <gtest/gtest.h>

namespace tobrix::win32 {
namespace {

// Built beside this test program, as a planted DLL would lie beside Tobrix.exe.
constexpr const wchar_t* kPlanted = L"tobrix-planted.dll";

TEST(SystemLibrary, ADllBesideTheProgramIsNeverLoadedByNameOnceTheSearchIsRestricted) {
    // The plant is there: the ordinary search finds it.
    HMODULE found = LoadLibraryW(kPlanted);
    ASSERT_NE(found, nullptr);
    FreeLibrary(found);
    ASSERT_EQ(GetModuleHandleW(kPlanted), nullptr);

    EXPECT_EQ(LoadSystemLibrary(kPlanted), nullptr);
    HMODULE system = LoadSystemLibrary(L"version.dll");
    EXPECT_NE(system, nullptr);
    FreeLibrary(system);

    RestrictDllSearch(); // as the program does first thing
    EXPECT_EQ(LoadLibraryW(kPlanted), nullptr);
    system = LoadLibraryW(L"version.dll");
    EXPECT_NE(system, nullptr);
    FreeLibrary(system);
}

} // namespace
} // namespace tobrix::win32
