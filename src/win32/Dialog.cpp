#include "win32/Dialog.h"

#include "app/Identity.h"
#include "win32/Encoding.h"

#include <stdexcept>

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
    HFONT font = CreateFontW(-Scale(height), 0, 0, 0, weight, FALSE, underline, FALSE, SHIFTJIS_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             Widen(kFormFontFace).c_str());
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

void Dialog::Report(Dialog& dialog, const std::exception& e) noexcept {
    try {
        dialog.ReportUnhandled(e);
    } catch (...) {
        // Nothing more can be shown.
    }
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (self == nullptr)
        return FALSE;

    try {
        if (message == WM_INITDIALOG) {
            HDC screen = GetDC(nullptr);
            self->dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
            ReleaseDC(nullptr, screen);
            RECT frame{0, 0, self->Scale(self->clientWidth_), self->Scale(self->clientHeight_)};
            AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                               static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
            const int width = frame.right - frame.left, height = frame.bottom - frame.top;
            // Centred on the screen.
            RECT work{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                         work.top + (work.bottom - work.top - height) / 2, width, height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return self->OnInit() ? TRUE : FALSE;
        }
        LRESULT result = 0;
        if (!self->OnMessage(message, wParam, lParam, result))
            return FALSE;
        if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
            return static_cast<INT_PTR>(result); // colour messages take the brush directly
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    } catch (const std::exception& e) {
        Report(*self, e);
    } catch (...) {
        Report(*self, std::runtime_error("Unexpected error"));
    }
    return FALSE;
}

} // namespace tobrix::win32
