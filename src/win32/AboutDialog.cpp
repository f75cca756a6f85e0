#include "win32/AboutDialog.h"

#include "win32/Encoding.h"
#include "win32/HighContrast.h"
#include "win32/resource.h"

#include <commctrl.h>

namespace tobrix::win32 {

namespace {
enum : int { kImage = 1201, kName, kNotice, kLastModify, kHomePageLabel, kMailLabel, kHomePage, kMail, kHidden };

// An address as a link control's text: all of it is the one link.
std::wstring LinkText(std::string_view address) { return L"<a>" + Widen(address) + L"</a>"; }
} // namespace

bool AboutDialog::OnInit() {
    constexpr DWORD label = SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX;
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
    SetWindowTextW(Handle(), Widen(kAboutCaption).c_str());
    // Button1 lies left of the client area: first in the tab order, it takes the focus, so
    // that no visible control shows a focus frame when the box opens.
    CreateControls(
        {
            {kHidden, WC_BUTTONW, L"Button1", -200, 32, 75, 25, WS_TABSTOP | BS_PUSHBUTTON},
            {IDOK, WC_BUTTONW, L"OK", 143, 136, 105, 25, WS_TABSTOP | BS_DEFPUSHBUTTON},
            {kImage, WC_STATICW, L"", 8, 8, 49, 41, SS_ICON | SS_CENTERIMAGE},
        },
        MakeFont(12));
    HFONT labels = MakeFont(13);
    CreateControls(
        {
            {kName, WC_STATICW, Widen(kAboutName), 72, 8, 169, 17, label},
            {kNotice, WC_STATICW, Widen(kAboutNotice), 72, 28, 208, 17, label},
            {kLastModify, WC_STATICW, Widen(kAboutLastModify), 72, 48, 169, 17, label},
            {kHomePageLabel, WC_STATICW, Widen(kAboutHomePageLabel), 72, 80, 80, 16, label},
            {kMailLabel, WC_STATICW, Widen(kAboutMailLabel), 72, 96, 80, 16, label},
        },
        labels);
    // The addresses are links the keyboard reaches too (Tab, then Enter), after OK in
    // the tab order: Enter on OK still closes the box. They keep the program's blue where the
    // system lets a link take its parent's text colour.
    HFONT links = MakeFont(13, true);
    CreateControls(
        {
            {kHomePage, WC_LINK, LinkText(kAboutHomePage), 152, 80, 225, 16, WS_TABSTOP},
            {kMail, WC_LINK, LinkText(kAboutMail), 152, 96, 153, 16, WS_TABSTOP},
        },
        links);
    for (const int id : {kHomePage, kMail}) {
        LITEM item{};
        item.mask = LIF_ITEMINDEX | LIF_STATE;
        item.state = item.stateMask = LIS_DEFAULTCOLORS;
        SendMessageW(Item(id), LM_SETITEM, 0, reinterpret_cast<LPARAM>(&item));
    }
    ShowIcon();
    presenter_.Attach(*this);
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(kHidden)), TRUE);
    return false;
}

AboutDialog::~AboutDialog() {
    if (icon_ != nullptr)
        DestroyIcon(icon_);
}

void AboutDialog::ShowIcon() {
    // The picture keeps its 32 x 32 size, centred in its frame.
    HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TOBRIX), IMAGE_ICON, Scale(32), Scale(32), 0));
    SendMessageW(Item(kImage), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    if (icon_ != nullptr)
        DestroyIcon(icon_);
    icon_ = icon;
}

bool AboutDialog::IsAddress(HWND control) const { return control == Item(kHomePage) || control == Item(kMail); }

bool AboutDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_NCDESTROY: presenter_.Detach(); return false;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDOK || id == IDCANCEL) { // OK, or Esc as in any box of its kind
            presenter_.cmdCloseClick();
            return true;
        }
        return id == kHidden; // Button1 does nothing
    }
    case WM_NOTIFY: {
        // A link clicked, or Enter pressed on it.
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        const bool address = header.idFrom == kHomePage || header.idFrom == kMail;
        if (!address || (header.code != NM_CLICK && header.code != NM_RETURN))
            return false;
        presenter_.lblAddressClick(header.idFrom == kHomePage ? kAboutHomePage : kAboutMail);
        return true;
    }
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkMode(dc, TRANSPARENT);
        if (IsAddress(reinterpret_cast<HWND>(lParam)))
            SetTextColor(dc, TextColor(TextKind::Link, RGB(0, 0, 255), HighContrastOn()));
        result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    case WM_SETCURSOR:
        if (IsAddress(reinterpret_cast<HWND>(wParam))) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            result = TRUE;
            return true;
        }
        return false;
    default: return false;
    }
}

} // namespace tobrix::win32
