#include "win32/Dialog.h"

#include "win32/Encoding.h"
#include "win32/Fonts.h"
#include "win32/HighContrast.h"

namespace tobrix::win32 {

Dialog::~Dialog() {
    for (HFONT font : fonts_)
        DeleteObject(font);
}

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
    HFONT font = CreateDpiFont({.height = height, .weight = weight, .underline = underline}, dpi_);
    fonts_.push_back(font);
    return font;
}

void Dialog::CreateControls(const std::vector<ControlSpec>& controls, HFONT font) {
    for (const ControlSpec& c : controls) {
        HWND control = CreateWindowExW(c.exStyle, c.className, c.text.c_str(), WS_CHILD | WS_VISIBLE | c.style,
                                       Scale(c.left), Scale(c.top), Scale(c.width), Scale(c.height), hwnd_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), GetModuleHandleW(nullptr),
                                       nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
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
        dpi_ = ScreenDpi();
        RECT frame{0, 0, Scale(clientWidth_), Scale(clientHeight_)};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
        const int width = frame.right - frame.left, height = frame.bottom - frame.top;
        // Centred on the screen.
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                     work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        return OnInit() ? TRUE : FALSE;
    }
    if (message == WM_SYSCOLORCHANGE || message == WM_SETTINGCHANGE)
        FollowSystemColors(hwnd_); // colours chosen at paint time (HighContrast.h) are chosen again
    LRESULT result = 0;
    if (!ReflectToControl(hwnd_, message, wParam, lParam, result) && !OnMessage(message, wParam, lParam, result))
        return FALSE;
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
        return static_cast<INT_PTR>(result); // colour messages take the brush directly
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
}

} // namespace tobrix::win32
