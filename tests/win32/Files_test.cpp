// Saving the data file through the real file calls, in a folder whose name code page 932
// cannot hold.

#include "win32/Win32Files.h"

#include "common/Error.h"
#include "store/DataFile.h"
#include "store/ItemDataList.h"

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
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = FilePath(temp) / (L"Zo\u00EB \u20AC " + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        data = folder / L"Tobrix.DAT";
        list.AppendNew().Title = "new";
    }
    void TearDown() override {
        SetFileAttributesW(data.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

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
    FilePath folder, data;
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

TEST_F(FilesTest, WhereNoNewFileCanBeMadeTheDataFileIsWrittenInPlace) {
    Write(data, "old");
    // Something the save cannot remove stands where its new file would go.
    std::filesystem::create_directory(folder / L"Tobrix.DAT.tmp");
    SaveDataFile(files, data, list);
    EXPECT_EQ(NewContent(), "new");
    std::filesystem::remove(folder / L"Tobrix.DAT.tmp");

    std::filesystem::remove(data); // and without a data file there is nothing to write over
    std::filesystem::create_directory(folder / L"Tobrix.DAT.tmp");
    EXPECT_EQ(ErrorOf([&] { SaveDataFile(files, data, list); }), Substitute(kMsgCannotCreate, files.DisplayName(data)));
    EXPECT_FALSE(files.Exists(data));
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
