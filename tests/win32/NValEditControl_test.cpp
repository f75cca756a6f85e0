// The numeric field on a real edit control in a hidden window: what the control itself would
// do with the messages, and the up-down arrows beside it.

#include "win32/NValEditControl.h"

#include "support/FakePlatform.h"
#include "win32/Encoding.h"
#include "win32/HighContrast.h"
#include "win32/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace tobrix::win32 {
namespace {

// A form as the dialogs are: it passes on what its controls' objects answer themselves.
LRESULT CALLBACK HostProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ReflectToControl(hwnd, message, wParam, lParam, result))
        return result;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class NValEditControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProcedure;
        wc.lpszClassName = L"TobrixNValHost";
        RegisterClassW(&wc);
        parent = CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 100, nullptr, nullptr, nullptr,
                               nullptr);
        edit = CreateWindowW(L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | NValEditControl::kStyle, 10, 10, 40,
                             21, parent, reinterpret_cast<HMENU>(1000), nullptr, nullptr);
        owner.emplace(parent);
        control.Attach(edit);
    }
    void TearDown() override {
        owner.reset();
        DestroyWindow(parent);
    }

    std::string Text() const { return control.Text(); }
    void Type(const char* chars) {
        for (; *chars != 0; ++chars)
            SendMessageW(edit, WM_CHAR, static_cast<unsigned char>(*chars), 0);
    }
    void Click(HWND window, int y) {
        SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, y));
        SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(4, y));
    }
    static void PutOnClipboard(const std::wstring& text) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(block);
        SetClipboardData(CF_UNICODETEXT, block);
        CloseClipboard();
    }

    test::FakeSound sound;
    NValEditControl control{sound};
    std::optional<test::ReportTaker> owner; // of the control's errors: they fail the test
    HWND parent = nullptr;
    HWND edit = nullptr;
};

TEST_F(NValEditControlTest, TypedPastedAndSetTextBecomesTheFieldsNumber) {
    Type("1234a\r\t");
    EXPECT_EQ(Text(), "1,234");
    SendMessageW(edit, WM_KEYDOWN, VK_BACK, 0);
    Type("\b");
    EXPECT_EQ(Text(), "123");

    PutOnClipboard(L"\uFF11\uFF12,345.6"); // full-width 1 and 2
    SendMessageW(edit, WM_CHAR, 0x16, 0);  // Ctrl+V
    EXPECT_EQ(Text(), "12,345.6");
    EXPECT_EQ(control.Field().Value(), 12345.6L);

    SetWindowTextW(edit, L"\uFF14\uFF12"); // from outside, full-width 42
    EXPECT_EQ(Text(), "42");
    EXPECT_EQ(control.Field().Value(), 42);

    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CUT, 0, 0);
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(control.Field().Value(), 0);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(edit, WM_KEYDOWN, VK_INSERT, 0); // Shift+Insert: the cut "42" comes back as a number
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(Text(), "42");
    EXPECT_EQ(control.Field().Value(), 42);
}

TEST_F(NValEditControlTest, TheTextTakesTheSystemsColourAsItIsNowUnlessTheFieldHasOneOfItsOwn) {
    const auto drawnIn = [&] {
        const HDC dc = CreateCompatibleDC(nullptr);
        SendMessageW(parent, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
        const COLORREF colour = GetTextColor(dc);
        DeleteDC(dc);
        return colour;
    };
    const int element = COLOR_WINDOWTEXT;
    const COLORREF before = GetSysColor(element), changed = RGB(1, 2, 3);
    EXPECT_EQ(drawnIn(), before);
    ASSERT_TRUE(SetSysColors(1, &element, &changed)); // the user picks another theme
    EXPECT_EQ(drawnIn(), changed);
    control.Field().SetFontColor(RGB(200, 0, 0));
    EXPECT_EQ(drawnIn(), HighContrastOn() ? changed : RGB(200, 0, 0));
    SetSysColors(1, &element, &before);
}

TEST_F(NValEditControlTest, ArrowsStepTheValueWithinTheFieldsBoundsAndFollowTyping) {
    TNValEdit& field = control.Field();
    field.SetMaxDigits(2);
    field.SetFixDecimal(0);
    field.SetZeroDisplay(true);
    control.AttachUpDown(1001, 0, 100, 0);
    const HWND upDown = control.UpDown();
    ASSERT_NE(upDown, nullptr);
    EXPECT_EQ(SendMessageW(upDown, UDM_GETBUDDY, 0, 0), reinterpret_cast<LRESULT>(edit));

    Type("7");
    EXPECT_EQ(SendMessageW(upDown, UDM_GETPOS32, 0, 0), 7);
    RECT r{};
    GetClientRect(upDown, &r);
    Click(upDown, r.bottom / 4); // the upper arrow
    EXPECT_EQ(Text(), "8");
    EXPECT_EQ(field.Value(), 8);
    EXPECT_EQ(SendMessageW(upDown, UDM_GETPOS32, 0, 0), 8);
    Click(upDown, r.bottom * 3 / 4);
    EXPECT_EQ(Text(), "7");

    field.SetValue(99);
    Click(upDown, r.bottom / 4); // 100 is in the arrows' range, not in the field's
    EXPECT_EQ(Text(), "99");
    EXPECT_EQ(SendMessageW(upDown, UDM_GETPOS32, 0, 0), 99);

    // Negative numbers are painted in the minus colour by the form.
    field.SetMinusColor(RGB(255, 0, 0));
    Type("-");
    HDC dc = GetDC(edit);
    SendMessageW(parent, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    ReleaseDC(edit, dc);
    EXPECT_EQ(SendMessageW(upDown, UDM_GETPOS32, 0, 0), 0);
}

} // namespace
} // namespace tobrix::win32

namespace tobrix::win32 {
namespace {

INT_PTR CALLBACK RecordOk(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK)
        SetWindowLongPtrW(dialog, DWLP_USER, 1);
    return FALSE;
}

// Enter in a form: the dialog manager hands it to the field only when EnterNext asks for it.
TEST(NValEditControlInDialog, EnterMovesOnWithEnterNextAndElsePressesTheDefaultButton) {
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } blank{};
    blank.header.style = WS_POPUP;
    for (const bool enterNext : {true, false}) {
        HWND dialog = CreateDialogIndirectParamW(nullptr, &blank.header, nullptr, RecordOk, 0);
        ASSERT_NE(dialog, nullptr);
        HWND edit = CreateWindowW(L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | NValEditControl::kStyle, 0, 0,
                                  40, 20, dialog, reinterpret_cast<HMENU>(1000), nullptr, nullptr);
        HWND next = CreateWindowW(L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 30, 40, 20, dialog,
                                  reinterpret_cast<HMENU>(1001), nullptr, nullptr);
        test::FakeSound sound;
        NValEditControl control(sound);
        const test::ReportTaker owner(dialog); // fails the test on an error of the control's
        control.Attach(edit);
        control.Field().EnterNext = enterNext;
        SetFocus(edit);
        ASSERT_EQ(GetFocus(), edit);
        MSG down{edit, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
        EXPECT_TRUE(IsDialogMessageW(dialog, &down));
        EXPECT_EQ(GetFocus(), enterNext ? next : edit) << enterNext;
        EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_USER), enterNext ? 0 : 1) << enterNext;
        DestroyWindow(dialog);
    }
}

} // namespace
} // namespace tobrix::win32
