// Saving the data file and exporting through the real file calls, in a folder whose name code
// page 932 cannot hold, on a small disk that fills up, and through a symbolic link.

#include "win32/Win32Files.h"

#include "common/Error.h"
#include "store/DataFile.h"
#include "store/ItemDataList.h"
#include "transfer/Export.h"
#include "win32/TestSupport.h"

#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace tobrix::win32 {
namespace {

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const AppError& e) {
        return e.Message();
    }
    return {};
}

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override { list.AppendNew().Title = "new"; }
    void TearDown() override { SetFileAttributesW(data.c_str(), FILE_ATTRIBUTE_NORMAL); }

    void Write(const FilePath& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string Read(const FilePath& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string AccessRights(const FilePath& path) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        DWORD size = 0;
        GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
        std::string buffer(size, '\0');
        if (!GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, buffer.data(), size, &size))
            return "unreadable";
        descriptor = buffer.data();
        wchar_t* text = nullptr;
        ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &text, nullptr);
        std::wstring wide = text ? text : L"";
        LocalFree(text);
        return std::string(wide.begin(), wide.end());
    }
    std::uint64_t FileIndex(const FilePath& path) {
        const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        0, nullptr);
        BY_HANDLE_FILE_INFORMATION info{};
        GetFileInformationByHandle(file, &info);
        CloseHandle(file);
        return (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(Win32Files().DisplayName(entry.path().filename()));
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string NewContent() { return ReadBack(data); }
    std::string ReadBack(const FilePath& path) {
        ItemDataList read;
        LoadDataFile(files, path, false, read);
        return read.Count() == 1 ? read.At(0).Title : "?";
    }

    Win32Files files;
    test::TempFolder temp{L"Zo\u00EB \u20AC"};
    FilePath folder = temp.Path(), data = folder / L"Tobrix.DAT";
    ItemDataList list;
};

TEST_F(FilesTest, ASaveKeepsTheDataFilesAttributesAndAccessRights) {
    Write(data, "old");
    // Only the owner may use the file: not what a new file in this folder would get.
    PSECURITY_DESCRIPTOR ownerOnly = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)", SDDL_REVISION_1,
                                                                     &ownerOnly, nullptr));
    ASSERT_TRUE(SetFileSecurityW(data.c_str(), DACL_SECURITY_INFORMATION, ownerOnly));
    LocalFree(ownerOnly);
    ASSERT_TRUE(SetFileAttributesW(data.c_str(), FILE_ATTRIBUTE_HIDDEN));
    const std::string rights = AccessRights(data);
    Write(folder / L"fresh", "");
    ASSERT_NE(AccessRights(folder / L"fresh"), rights); // else the test would prove nothing
    std::filesystem::remove(folder / L"fresh");

    SaveDataFile(files, data, list);
    EXPECT_EQ(NewContent(), "new");
    EXPECT_EQ(AccessRights(data), rights);
    EXPECT_NE(GetFileAttributesW(data.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(Names(), std::vector<std::string>{"Tobrix.DAT"});
}

TEST_F(FilesTest, ADataFileWithOrdinaryRightsIsReplacedByANewFileInOneStep) {
    Write(data, "old");
    SetFileAttributesW(data.c_str(), FILE_ATTRIBUTE_HIDDEN);
    const std::uint64_t before = FileIndex(data);
    SaveDataFile(files, data, list);
    EXPECT_EQ(NewContent(), "new");
    EXPECT_NE(FileIndex(data), before); // not written over in place
    EXPECT_NE(GetFileAttributesW(data.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST_F(FilesTest, AReadOnlyDataFileIsReportedAndLeftAsItWas) {
    Write(data, "old");
    ASSERT_TRUE(SetFileAttributesW(data.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string message = ErrorOf([&] { SaveDataFile(files, data, list); });
    EXPECT_EQ(message, Substitute(kMsgCannotCreate, files.DisplayName(data)));
    EXPECT_NE(message.find("Zo? ? "), std::string::npos); // the path as CP932 can show it
    EXPECT_EQ(Read(data), "old");
    EXPECT_EQ(Names(), std::vector<std::string>{"Tobrix.DAT"});
}

TEST_F(FilesTest, AWriteNeverTouchesTheUsersOwnFileOfATemporaryLookingName) {
    const FilePath list = folder / L"list.csv";
    Write(list, "old");
    Write(folder / L"list.csv.tmp", "mine");
    WriteExportFile(files, list, "a,b\r\n", "list.csv");
    EXPECT_EQ(Read(list), "a,b\r\n");
    EXPECT_EQ(Read(folder / L"list.csv.tmp"), "mine");
    EXPECT_EQ(Names(), (std::vector<std::string>{"list.csv", "list.csv.tmp"}));

    // Each new file has a name of its own, and one dropped without a commit is gone.
    FilePath first, second;
    std::unique_ptr<WritableFile> a = files.CreateTemp(list, first), b = files.CreateTemp(list, second);
    ASSERT_TRUE(a && b);
    EXPECT_NE(first, second);
    EXPECT_EQ(Names().size(), 4u);
    a.reset();
    b.reset();
    EXPECT_EQ(Names(), (std::vector<std::string>{"list.csv", "list.csv.tmp"}));
}

// The host's staging around these tests (tests/win32/stage.py), or nothing where there is none.
FilePath Stage() {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"TOBRIX_TEST_STAGE", buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? FilePath(buffer) : FilePath();
}

TEST_F(FilesTest, ASymbolicLinkStaysAndTheFileItLeadsToIsReplaced) {
    if (Stage().empty())
        GTEST_SKIP() << "no symbolic link staged";
    const FilePath links = Stage() / L"links", link = links / L"link.DAT", target = links / L"target.DAT";
    Write(target, "old");
    SaveDataFile(files, link, list);
    EXPECT_EQ(ReadBack(target), "new");
    EXPECT_EQ(files.FinalPath(link), target); // still a link
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(links))
        names.push_back(files.DisplayName(entry.path().filename()));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"link.DAT", "target.DAT"}));
}

// A file system of a few hundred kilobytes and a few dozen names, filled up by the tests.
class SmallDiskTest : public FilesTest {
protected:
    void SetUp() override {
        ULARGE_INTEGER total{};
        folder = Stage() / L"small";
        if (Stage().empty() || !GetDiskFreeSpaceExW(folder.c_str(), nullptr, &total, nullptr) ||
            total.QuadPart > 1024 * 1024)
            GTEST_SKIP() << "no small file system staged (it needs root)";
        Clear();
        data = folder / L"Tobrix.DAT";
        list.AppendNew().Title = "new";
        old.AppendNew().Title = "old";
    }
    void TearDown() override {
        if (!Stage().empty())
            Clear();
    }
    void Clear() {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
            std::filesystem::remove_all(entry.path(), ignored);
    }
    // Fills what is left of the disk with one file.
    void FillDisk() {
        const HANDLE file =
            CreateFileW((folder / L"filler").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        static const char block[4096] = {};
        for (DWORD size = sizeof block; size > 0; size /= 2) {
            DWORD written = 0;
            while (WriteFile(file, block, size, &written, nullptr) && written == size) {
            }
        }
        CloseHandle(file);
        ULARGE_INTEGER free{};
        ASSERT_TRUE(GetDiskFreeSpaceExW(folder.c_str(), &free, nullptr, nullptr));
        ASSERT_EQ(free.QuadPart, 0u);
    }
    // Takes every name the file system has left, so that it takes no new file.
    void UseUpNames() {
        for (int i = 0;; ++i) {
            const HANDLE file = CreateFileW((folder / (L"n" + std::to_wstring(i))).c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_NEW, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                return;
            CloseHandle(file);
        }
    }
    std::size_t FileCount() {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
    }

    ItemDataList old;
};

TEST_F(SmallDiskTest, OnAFullDiskASaveFailsWithTheOldFileIntactAndNothingLeftBehind) {
    SaveDataFile(files, data, old);
    const std::string before = Read(data);
    list.At(0).Title = std::string(5000, 'n');
    FillDisk();
    EXPECT_EQ(ErrorOf([&] { SaveDataFile(files, data, list); }), kMsgWriteError);
    EXPECT_EQ(Read(data), before);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Tobrix.DAT", "filler"}));
}

TEST_F(SmallDiskTest, InPlaceAFullDiskFailsBeforeAByteIsWrittenOver) {
    Write(data, std::string(3000, 'o'));
    FillDisk();
    const InPlaceFile longer = files.Overwrite(data, 9000);
    EXPECT_FALSE(longer.file);
    EXPECT_TRUE(longer.noRoom);
    EXPECT_EQ(Read(data), std::string(3000, 'o'));

    // A shorter content needs no room, and the file ends where it ends.
    InPlaceFile shorter = files.Overwrite(data, 5);
    ASSERT_TRUE(shorter.file);
    WriteAll(*shorter.file, "short", 5);
    EXPECT_TRUE(shorter.file->Commit());
    EXPECT_EQ(Read(data), "short");
}

TEST_F(SmallDiskTest, WhereNoNewFileCanBeMadeTheDataFileIsWrittenInPlace) {
    SaveDataFile(files, data, old);
    const std::uint64_t before = FileIndex(data);
    UseUpNames();
    const std::size_t count = FileCount();
    SaveDataFile(files, data, list);
    EXPECT_EQ(NewContent(), "new");
    EXPECT_EQ(FileIndex(data), before); // written over, not replaced
    EXPECT_EQ(FileCount(), count);

    const FilePath none = folder / L"Other.DAT"; // and where there is no file, nothing to write over
    EXPECT_EQ(ErrorOf([&] { SaveDataFile(files, none, list); }), Substitute(kMsgCannotCreate, files.DisplayName(none)));
    EXPECT_FALSE(files.Exists(none));
}

TEST_F(FilesTest, ANewFileNeverReplacesOneThatExists) {
    const FilePath recovered = folder / L"Tobrix.recovered.DAT";
    Write(recovered, "earlier");
    EXPECT_FALSE(SaveNewDataFile(files, recovered, list));
    EXPECT_EQ(Read(recovered), "earlier");
    const FilePath second = folder / L"Tobrix.recovered-2.DAT";
    EXPECT_TRUE(SaveNewDataFile(files, second, list));
    EXPECT_EQ(ReadBack(second), "new");
}

TEST_F(FilesTest, OnlyAMissingFileOrFolderCountsAsAbsent) {
    EXPECT_FALSE(files.Exists(data));
    EXPECT_FALSE(files.Exists(folder / L"missing" / L"Tobrix.DAT"));
    Write(data, "x");
    // Held by another program: it exists, but cannot be read.
    const HANDLE held = CreateFileW(data.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(files.Exists(data));
    EXPECT_EQ(files.OpenRead(data), nullptr);
    CloseHandle(held);
}

} // namespace
} // namespace tobrix::win32
