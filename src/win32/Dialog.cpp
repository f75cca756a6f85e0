#include "win32/Dialog.h"

#include "win32/Dpi.h"
#include "win32/Encoding.h"
#include "win32/Fonts.h"
#include "win32/HighContrast.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace tobrix::win32 {

namespace {

// An empty template: the size and the controls are set in pixels once the window exists.
struct BlankTemplate {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
};

} // namespace

INT_PTR Dialog::RunModal(HWND owner, int clientWidth, int clientHeight, DWORD style) {
    clientWidth_ = clientWidth;
    clientHeight_ = clientHeight;
    BlankTemplate blank{};
    blank.header.style = style;
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &blank.header, owner, &Dialog::Procedure,
                                   reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateModeless(HWND owner, int clientWidth, int clientHeight, DWORD style) {
    clientWidth_ = clientWidth;
    clientHeight_ = clientHeight;
    BlankTemplate blank{};
    blank.header.style = style;
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &blank.header, owner, &Dialog::Procedure,
                                      reinterpret_cast<LPARAM>(this));
}

HFONT Dialog::MakeFont(int height, bool underline, int weight) {
    const FontSpec spec{.height = height, .weight = weight, .underline = underline};
    return fonts_.Make(spec);
}

void Dialog::CreateControls(const std::vector<ControlSpec>& controls, HFONT font) {
    for (const ControlSpec& c : controls) {
        HWND control = CreateWindowExW(c.exStyle, c.className, c.text.c_str(), WS_CHILD | WS_VISIBLE | c.style,
                                       Scale(c.left), Scale(c.top), Scale(c.width), Scale(c.height), hwnd_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), GetModuleHandleW(nullptr),
                                       nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        places_.push_back({c.id, c.left, c.top, c.width, c.height});
    }
}

void Dialog::Centre() {
    // On the owner's monitor, where the user is looking, rather than always on the primary one.
    const HWND owner = GetWindow(hwnd_, GW_OWNER);
    HMONITOR monitor = owner != nullptr ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                                        : MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    const RECT& work = info.rcWork;
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
    placing_ = true;
    // Twice at most: the first move may take the dialog to a monitor of another DPI, and then
    // its size is measured again at that one.
    for (int pass = 0; pass < 2; ++pass) {
        fonts_.SetDpi(WindowDpi(pass == 0 && owner != nullptr ? owner : hwnd_));
        RECT frame{0, 0, Scale(clientWidth_), Scale(clientHeight_)};
        AdjustWindowRectForDpi(frame, style, false, exStyle, Dpi());
        const int width = frame.right - frame.left, height = frame.bottom - frame.top;
        SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                     work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        if (WindowDpi(hwnd_) == Dpi())
            break;
    }
    placing_ = false;
}

void Dialog::Rescale(int dpi) {
    const int old = fonts_.Rescale(dpi, [this](HFONT oldFont, HFONT made) {
        for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
            if (reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)) == oldFont)
                SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(made), FALSE);
    });
    const int now = Dpi();
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        const auto place =
            std::find_if(places_.begin(), places_.end(), [id](const ControlPlace& p) { return p.id == id; });
        if (place != places_.end()) {
            MoveWindow(child, Scale(place->left), Scale(place->top), Scale(place->width), Scale(place->height), TRUE);
        } else {
            // Not from a table (an up-down beside its field, a list the dialog sizes itself):
            // in proportion. A dialog that lays out such a control on WM_SIZE puts it right.
            RECT r{};
            GetWindowRect(child, &r);
            MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&r), 2);
            MoveWindow(child, MulDiv(r.left, now, old), MulDiv(r.top, now, old), MulDiv(r.right - r.left, now, old),
                       MulDiv(r.bottom - r.top, now, old), TRUE);
        }
        wchar_t className[32]{};
        GetClassNameW(child, className, static_cast<int>(std::size(className)));
        if (lstrcmpiW(className, WC_LISTVIEWW) == 0) {
            const int columns = Header_GetItemCount(ListView_GetHeader(child));
            for (int c = 0; c < columns; ++c)
                ListView_SetColumnWidth(child, c, MulDiv(ListView_GetColumnWidth(child, c), now, old));
        }
    }
}

void Dialog::SetItemText(int id, std::string_view cp932) { SetDlgItemTextW(hwnd_, id, Widen(cp932).c_str()); }

std::optional<std::string> Dialog::ItemText(int id, LookAlikes lookAlikes) const {
    return NarrowExact(WindowText(GetDlgItem(hwnd_, id)), lookAlikes);
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Dialog*>(lParam);
        if (!Bind(hwnd, *self)) {
            EndDialog(hwnd, -1); // no memory: rather no dialog than an empty one
            return FALSE;
        }
        self->hwnd_ = hwnd;
    }
    Dialog* const self = BoundAs<Dialog>(hwnd);
    if (self == nullptr)
        return FALSE;

    INT_PTR answer = FALSE;
    Guarded(*self, [&] { answer = self->Dispatch(message, wParam, lParam); });
    if (message == WM_NCDESTROY) {
        Unbind(hwnd);
        self->hwnd_ = nullptr;
    }
    return answer;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        KeepDialogLayoutOwn(hwnd_);
        Centre();
        return OnInit() ? TRUE : FALSE;
    }
    if (message == WM_SYSCOLORCHANGE || message == WM_SETTINGCHANGE)
        FollowSystemColors(hwnd_); // colours chosen at paint time (HighContrast.h) are chosen again
    if (message == WM_DPICHANGED) {
        const DpiChange change = DpiChangeOf(wParam, lParam);
        if (placing_) {
            fonts_.SetDpi(change.dpi); // Centre sets the size itself, and no control exists yet
        } else {
            Rescale(change.dpi);
            OnDpiChanged();
            const RECT& r = change.suggested;
            SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            // A dialog that lays out on WM_SIZE does so at the new DPI also when the size stays
            // (the system may hold a large one to the screen's).
            RECT client{};
            GetClientRect(hwnd_, &client);
            SendMessageW(hwnd_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
        }
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    if (message == WM_SETCURSOR && wait_.Keep()) {
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    LRESULT result = 0;
    if (!ReflectToControl(hwnd_, message, wParam, lParam, result) && !OnMessage(message, wParam, lParam, result))
        return FALSE;
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
        return static_cast<INT_PTR>(result); // colour messages take the brush directly
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
}

} // namespace tobrix::win32
