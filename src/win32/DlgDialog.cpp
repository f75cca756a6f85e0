#include "win32/DlgDialog.h"

#include "win32/Encoding.h"

#include <commctrl.h>

#include <exception>

namespace tobrix::win32 {

namespace {
enum : int { kCaption = 1301, kProgress };
constexpr int kWidth = 336, kHeight = 102;
} // namespace

DlgDialog::~DlgDialog() {
    if (Handle() != nullptr) // still there: it is destroyed with the object
        DestroyWindow(Handle());
}

bool DlgDialog::Create(HWND owner) {
    // No border icons: no system menu and no close box; Esc and Alt+F4 still press Cancel.
    return CreateModeless(owner, kWidth, kHeight, WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER) != nullptr;
}

bool DlgDialog::OnInit() {
    SetWindowTextW(Handle(), Widen(kDlgCaption).c_str());
    CreateControls(
        {
            {kCaption, WC_STATICW, L"", 8, 8, 320, 17, SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE},
            {kProgress, PROGRESS_CLASSW, L"", 8, 32, 320, 17, 0},
            {IDCANCEL, WC_BUTTONW, Widen(kDlgButtonCancel), 128, 66, 80, 25, WS_TABSTOP | BS_DEFPUSHBUTTON},
        },
        MakeFont(12));
    // Cancel is the default button too: Enter presses it as well as Esc.
    SendMessageW(Handle(), DM_SETDEFID, IDCANCEL, 0);
    SetFocus(Item(IDCANCEL));
    return false;
}

bool DlgDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            presenter_.cmdCancelClick();
            return true;
        }
        return false;
    default: return false;
    }
}

void DlgDialog::SetCaptionText(std::string_view cp932) { SetItemText(kCaption, cp932); }

void DlgDialog::SetProgressMax(int max) {
    SendMessageW(Item(kProgress), PBM_SETRANGE32, 0, max);
    SendMessageW(Item(kProgress), PBM_SETPOS, 0, 0);
    position_ = shownPosition_ = 0;
}

void DlgDialog::ShowPosition() {
    if (position_ != shownPosition_) {
        SendMessageW(Item(kProgress), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
        shownPosition_ = position_;
    }
}

void DlgDialog::Repaint() {
    ShowPosition();
    // What changed has invalidated itself; only that is painted, now.
    RedrawWindow(Handle(), nullptr, nullptr, RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void DlgDialog::ProcessPendingEvents() {
    // The tick count is cheap, the queue is not: between two looks at the queue nothing can
    // have pressed Cancel, so skipping a look changes nothing but the bar's smoothness.
    const ULONGLONG now = GetTickCount64();
    if (now < nextPump_)
        return;
    ShowPosition();
    if (!PumpWaitingMessages(Handle()))
        presenter_.cmdCancelClick(); // the program is asked to end
    Wait().Keep(); // whatever window the mouse passed over
    nextPump_ = GetTickCount64() + static_cast<ULONGLONG>(pumpInterval_.count());
}

bool PumpWaitingMessages(HWND dialog) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (dialog != nullptr && IsWindow(dialog) && IsDialogMessageW(dialog, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

void RunReader(HWND owner, DlgRead& dlg, std::chrono::milliseconds pumpInterval) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    DlgDialog window(dlg, pumpInterval);
    const bool shown = window.Create(owner);
    // The window beneath takes no input meanwhile, so that no second import can start
    // inside this one.
    const bool disabledOwner = shown && owner != nullptr && EnableWindow(owner, FALSE) == FALSE;
    if (shown) {
        ShowWindow(window.Handle(), SW_SHOW);
        UpdateWindow(window.Handle());
        dlg.SetView(window);
    }
    std::exception_ptr error;
    try {
        dlg.Read(); // without a window when none could be made: still read, without Cancel
    } catch (...) {
        error = std::current_exception();
    }
    dlg.Detach();
    if (disabledOwner)
        EnableWindow(owner, TRUE); // before the window goes, so that the activation returns to the owner
    if (shown) {
        ShowWindow(window.Handle(), SW_HIDE);
        DestroyWindow(window.Handle());
    }
    PumpWaitingMessages(nullptr);
    if (error)
        std::rethrow_exception(error);
}

} // namespace tobrix::win32
