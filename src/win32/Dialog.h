#pragma once
// A modal dialog whose controls are laid out in pixels of a 96-DPI screen (scaled to the
// real one) from a table, so the layout reads as the form was drawn. It binds its handle
// to the object the way Window does; the procedure only unpacks and forwards.

#include "common/Cp932.h"

#include <windows.h>

#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix::win32 {

struct ControlSpec {
    int id;
    const wchar_t* className; // WC_BUTTON, WC_EDIT, WC_STATIC ...
    std::wstring text;
    int left, top, width, height; // 96-DPI pixels in the client area
    DWORD style;                  // added to WS_CHILD | WS_VISIBLE
    DWORD exStyle = 0;
};

class Dialog {
public:
    Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog();

    HWND Handle() const { return hwnd_; }

protected:
    static constexpr DWORD kFixedStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;

    // Runs the dialog modally over `owner`; returns the code given to EndModal.
    INT_PTR RunModal(HWND owner, int clientWidth, int clientHeight, DWORD style = kFixedStyle);
    // Creates the dialog without a loop of its own (the caller pumps the messages and
    // destroys it); nullptr on failure.
    HWND CreateModeless(HWND owner, int clientWidth, int clientHeight, DWORD style = kFixedStyle);
    void EndModal(INT_PTR code) { EndDialog(hwnd_, code); }

    // Creates the controls in table order (which is also the tab order) and sets the font.
    void CreateControls(const std::vector<ControlSpec>& controls, HFONT font);
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
    // The forms' font at a character height in 96-DPI pixels; the dialog deletes it.
    HFONT MakeFont(int height, bool underline = false, int weight = FW_NORMAL);
    void SetItemText(int id, std::string_view cp932);
    // The control's text, or nothing when it holds characters that code page 932 cannot hold.
    std::optional<std::string> ItemText(int id, LookAlikes lookAlikes = LookAlikes::Refused) const;

    // WM_INITDIALOG: create the controls; return false after setting the focus yourself.
    virtual bool OnInit() = 0;
    // Every other message; return true when handled (`result` then goes back to the system).
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    virtual void ReportUnhandled(const std::exception& e) = 0;

private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static void Report(Dialog& dialog, const std::exception& e) noexcept;

    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    std::vector<HFONT> fonts_;
};

} // namespace tobrix::win32
