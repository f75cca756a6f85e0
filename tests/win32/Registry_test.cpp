// The settings through the real registry code: values of another type than text.

#include "win32/Win32Registry.h"

#include "common/Error.h"
#include "store/Data.h"

#include <gtest/gtest.h>

#include <string>

namespace tobrix::win32 {
namespace {

constexpr wchar_t kTestKey[] = L"Software\\Quarda\\TobrixLayerTest";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }

    void Set(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        const std::wstring path = std::wstring(kTestKey) + L"\\Setting";
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void SetText(const wchar_t* name, const std::wstring& text) {
        Set(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

    std::string LoadError(TSettings& settings) {
        Win32Registry registry(kTestKey);
        try {
            LoadSettings(registry, settings);
        } catch (const AppError& e) {
            return e.Message();
        }
        return {};
    }
};

TEST_F(RegistryTest, AValueThatIsNotTextIsReportedByNameAndTheRestTakeTheirDefaults) {
    SetText(L"Left", L"40");
    SetText(L"InportFile", L"C:\\\u30C7\u30FC\u30BF\\a.csv"); // C:\データ\a.csv
    const DWORD number = 7;
    Set(L"Top", REG_DWORD, &number, sizeof number);
    TSettings settings;
    EXPECT_EQ(LoadError(settings), Substitute(sjis<u8"'%s' のデータ型が不正です">(), "Top"));
    EXPECT_EQ(settings.Left, 40);
    EXPECT_EQ(settings.Top, 0);
    EXPECT_TRUE(settings.Comma); // read after the failure: its default, not 0
    EXPECT_EQ(settings.ColWidth[2], 220);

    const unsigned char bytes[] = {0x31, 0x00};
    Set(L"Top", REG_BINARY, bytes, sizeof bytes);
    settings = {};
    EXPECT_EQ(LoadError(settings), Substitute(sjis<u8"'%s' のデータ型が不正です">(), "Top"));

    SetText(L"Top", L"-25");
    settings = {};
    EXPECT_EQ(LoadError(settings), "");
    EXPECT_EQ(settings.Top, -25);
    EXPECT_EQ(settings.InportFile, "C:\\\x83\x66\x81\x5B\x83\x5E\\a.csv");
}

} // namespace
} // namespace tobrix::win32
