// What the copy commands leave on the real clipboard.

#include "win32/Win32Platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
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

// Another program's copy: its own window owns the clipboard and puts 8-bit text on it.
void CopyAsAnotherProgram(const char* text) {
    const HWND other = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(OpenClipboard(other));
    EmptyClipboard();
    const std::size_t size = std::strlen(text) + 1;
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(block), text, size);
    GlobalUnlock(block);
    EXPECT_NE(SetClipboardData(CF_TEXT, block), nullptr);
    CloseClipboard();
    DestroyWindow(other);
}

TEST(Clipboard, APasswordCopyIsEmptiedOnlyWhileNothingReplacedIt) {
    OwnerWindow main;
    Win32Clipboard clipboard(main);
    const std::uint32_t copied = clipboard.SetSecretText("\x82\xD0\x82\xDD"); // ひみ
    EXPECT_EQ(copied, GetClipboardSequenceNumber());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(std::string(Data(CF_TEXT).c_str()), "\x82\xD0\x82\xDD");
    EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing")));
    CloseClipboard();
    clipboard.ClearIfUnchanged(copied);
    EXPECT_EQ(CountClipboardFormats(), 0);

    const std::uint32_t again = clipboard.SetSecretText("p");
    CopyAsAnotherProgram("theirs");
    EXPECT_NE(GetClipboardSequenceNumber(), again);
    clipboard.ClearIfUnchanged(again);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(std::string(Data(CF_TEXT).c_str()), "theirs");
    CloseClipboard();
}

Win32Clipboard* renderer = nullptr;

LRESULT CALLBACK Owner(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RENDERFORMAT && wParam == CF_TEXT && renderer != nullptr)
        renderer->RenderText("\x82\xD0\x82\xDD\x82\xC2"); // ひみつ
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(Clipboard, APromiseCarriesTheCompanionsAndIsAnsweredOnRequest) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Owner;
    wc.lpszClassName = L"TobrixPasteOwner";
    RegisterClassW(&wc);
    OwnerWindow main{CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)};
    ASSERT_NE(main.hwnd, nullptr);
    Win32Clipboard clipboard(main);
    clipboard.OfferText();
    renderer = &clipboard;

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(GetClipboardOwner(), main.hwnd);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatW(L"CanIncludeInClipboardHistory")));
    // A program that asks for Unicode gets the Japanese text: the locale goes with the promise.
    const std::string wide = Data(CF_UNICODETEXT);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(wide.c_str())), L"\u3072\u307F\u3064");
    EXPECT_EQ(std::string(Data(CF_TEXT).c_str()), "\x82\xD0\x82\xDD\x82\xC2");
    CloseClipboard();
    renderer = nullptr;
    DestroyWindow(main.hwnd);
}

} // namespace
} // namespace tobrix::win32
