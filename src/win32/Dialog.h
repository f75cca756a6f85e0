#pragma once
// A modal dialog whose controls are laid out in pixels of a 96-DPI screen (scaled to the
// DPI of the monitor it is on) from a table, so the layout reads as the form was drawn. When
// it moves to a monitor of another DPI the same table lays it out again. It is bound to its
// object (Binding.h) from WM_INITDIALOG to WM_NCDESTROY; the procedure only unpacks and
// forwards.

#include "win32/Binding.h"
#include "win32/Fonts.h"
#include "win32/WaitCursor.h"

#include "common/Cp932.h"

#include <windows.h>

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

class Dialog : public MessageTarget {
public:
    Dialog() = default;
    ~Dialog() override = default;

    // Null before the dialog is created and after it is destroyed.
    HWND Handle() const { return hwnd_; }
    // The DPI the dialog is laid out at.
    int Dpi() const { return fonts_.Dpi(); }

    // An error a handler let out is shown by the dialog's owner.
    void ReportUnhandled(const std::exception& e) override { ReportToOwner(hwnd_, e); }

protected:
    static constexpr DWORD kFixedStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;

    // Runs the dialog modally over `owner`; returns the code given to EndModal.
    INT_PTR RunModal(HWND owner, int clientWidth, int clientHeight, DWORD style = kFixedStyle);
    // Creates the dialog without a loop of its own (the caller pumps the messages and
    // destroys it); nullptr on failure.
    HWND CreateModeless(HWND owner, int clientWidth, int clientHeight, DWORD style = kFixedStyle);
    void EndModal(INT_PTR code) { EndDialog(hwnd_, code); }

    // Creates the controls in table order (which is also the tab order) and sets the font. The
    // table's places are kept for a later change of DPI.
    void CreateControls(const std::vector<ControlSpec>& controls, HFONT font);
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    int Scale(int pixels) const { return fonts_.Scale(pixels); }
    // The forms' font at a character height in 96-DPI pixels; the dialog deletes it.
    HFONT MakeFont(int height, bool underline = false, int weight = FW_NORMAL);
    HFONT MakeFont(const FontSpec& spec) { return fonts_.Make(spec); }
    void SetItemText(int id, std::string_view cp932);
    // The control's text, or nothing when it holds characters that code page 932 cannot hold.
    std::optional<std::string> ItemText(int id, LookAlikes lookAlikes = LookAlikes::Refused) const;
    // The hourglass over the dialog while it is busy (BusyView::SetBusy), kept there on
    // WM_SETCURSOR.
    void SetWaitCursor(bool busy) { wait_.Set(busy); }
    const WaitCursor& Wait() const { return wait_; }

    // WM_INITDIALOG: create the controls; return false after setting the focus yourself.
    virtual bool OnInit() = 0;
    // Every other message but the notifications a bound control answers itself; return true
    // when handled (`result` then goes back to the system). WM_NCDESTROY is the last: a
    // presenter lets go of the window there.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // After the table's controls and fonts were laid out again at a new DPI (Dpi()): what the
    // table does not hold, such as images, is made again here.
    virtual void OnDpiChanged() {}

private:
    struct ControlPlace {
        int id;
        int left, top, width, height; // 96-DPI pixels
    };

    // Centres the dialog on its owner's monitor (the primary one without an owner) at the size
    // of its client area at the monitor's DPI.
    void Centre();
    // WM_DPICHANGED: fonts, table controls and the other children again at the new DPI.
    void Rescale(int dpi);

    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    bool placing_ = false; // the dialog is being placed: a DPI change keeps the size being set
    std::vector<ControlPlace> places_;
    DpiFonts fonts_; // the DPI the dialog is laid out at, and its fonts
    WaitCursor wait_;
};

} // namespace tobrix::win32
