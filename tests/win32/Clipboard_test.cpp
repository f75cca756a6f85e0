// What the copy commands leave on the real clipboard.

#include "win32/Win32Platform.h"

#include <gtest/gtest.h>

#include <string>

namespace tobrix::win32 {
namespace {

std::string Data(UINT format) {
    std::string out;
    if (const HANDLE block = GetClipboardData(format)) {
        const auto* bytes = static_cast<const char*>(GlobalLock(block));
        out.assign(bytes, GlobalSize(block));
        GlobalUnlock(block);
    }
    return out;
}

TEST(Clipboard, TextGoesOnAsStoredMarkedJapaneseAndKeptOutOfHistory) {
    OwnerWindow main;
    Win32Clipboard clipboard(main);
    clipboard.SetText("\x82\xD0\x82\xDD\x82\xC2 a\\"); // ひみつ a\ : the backslash stays a backslash
    ASSERT_TRUE(OpenClipboard(nullptr));
    const std::string text = Data(CF_TEXT);
    EXPECT_EQ(std::string(text.c_str()), "\x82\xD0\x82\xDD\x82\xC2 a\\");
    EXPECT_EQ(Data(CF_LOCALE).substr(0, 4), std::string("\x11\x04\0\0", 4));
    for (const wchar_t* name : {L"ExcludeClipboardContentFromMonitorProcessing", L"CanIncludeInClipboardHistory",
                                L"CanUploadToCloudClipboard"}) {
        const UINT format = RegisterClipboardFormatW(name);
        EXPECT_TRUE(IsClipboardFormatAvailable(format)) << format;
        EXPECT_EQ(Data(format).substr(0, 4), std::string(4, '\0'));
    }
    CloseClipboard();
}

} // namespace
} // namespace tobrix::win32
