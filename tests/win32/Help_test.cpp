// The guide's local copy, which HTML Help is given: written when missing or changed, left alone
// when the same, and carrying none of the guide's other streams (the mark of the web).

#include "win32/Win32Help.h"

#include "win32/TestSupport.h"
#include "win32/Win32Files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tobrix::win32 {
namespace {

class GuideCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(root / L"program");
        std::filesystem::create_directories(local.parent_path());
    }

    static void Write(const FilePath& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    static std::string Read(const FilePath& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Sets the file's last-write time to a day of 2024 plus `minutes`.
    static void SetWritten(const FilePath& path, int minutes) {
        const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        const ULONGLONG ticks = 133'500'000'000'000'000ULL + ULONGLONG(minutes) * 60 * 10'000'000;
        const FILETIME time{DWORD(ticks), DWORD(ticks >> 32)};
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
        CloseHandle(file);
    }
    static std::vector<std::wstring> Names(const FilePath& folder) {
        std::vector<std::wstring> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().wstring());
        return names;
    }

    Win32Files files;
    test::TempFolder root{L"guide"};
    FilePath guide = root / L"program" / L"Tobrix.chm";
    FilePath local = root / L"local" / L"Tobrix";
};

TEST_F(GuideCopyTest, TheCopyIsWrittenWhenMissingOrChangedAndLeftAloneWhenTheSame) {
    Write(guide, "first");
    SetWritten(guide, 0);
    const FilePath copy = local / L"Tobrix.chm";
    EXPECT_EQ(LocalGuideCopy(files, guide, local), copy); // the folder is made
    EXPECT_EQ(Read(copy), "first");
    EXPECT_EQ(Names(local), std::vector<std::wstring>{L"Tobrix.chm"}); // nothing left beside it

    // The same size and time: the copy is taken as it is, not written again.
    Write(copy, "FIRST");
    SetWritten(copy, 0);
    EXPECT_EQ(LocalGuideCopy(files, guide, local), copy);
    EXPECT_EQ(Read(copy), "FIRST");

    // A newer guide of the same size, then an older one of another size.
    Write(guide, "newer");
    SetWritten(guide, 10);
    EXPECT_EQ(LocalGuideCopy(files, guide, local), copy);
    EXPECT_EQ(Read(copy), "newer");
    EXPECT_EQ(LocalGuideCopy(files, guide, local), copy);
    Write(guide, "older, longer");
    SetWritten(guide, -10);
    EXPECT_EQ(LocalGuideCopy(files, guide, local), copy);
    EXPECT_EQ(Read(copy), "older, longer");
    EXPECT_EQ(Names(local), std::vector<std::wstring>{L"Tobrix.chm"});
}

TEST_F(GuideCopyTest, TheGuideItselfIsGivenWhenNoCopyCanBeMade) {
    Write(guide, "guide");
    Write(local, "a file where the folder should be");
    EXPECT_EQ(LocalGuideCopy(files, guide, local), guide);
    EXPECT_EQ(LocalGuideCopy(files, root / L"program" / L"missing.chm", root / L"local2"), root / L"program" / L"missing.chm");
    EXPECT_FALSE(std::filesystem::exists(root / L"local2"));
}

TEST_F(GuideCopyTest, TheCopyCarriesNoMarkOfTheWeb) {
    Write(guide, "downloaded");
    FilePath mark = guide;
    mark += L":Zone.Identifier";
    Write(mark, "[ZoneTransfer]\r\nZoneId=3\r\n");
    if (Read(mark).empty() || Names(guide.parent_path()).size() != 1)
        GTEST_SKIP() << "this file system keeps no alternate data streams";
    ASSERT_EQ(Read(guide), "downloaded");

    const FilePath copy = LocalGuideCopy(files, guide, local);
    ASSERT_EQ(copy, local / L"Tobrix.chm");
    EXPECT_EQ(Read(copy), "downloaded");
    FilePath copyMark = copy;
    copyMark += L":Zone.Identifier";
    EXPECT_EQ(GetFileAttributesW(copyMark.c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
} // namespace tobrix::win32
