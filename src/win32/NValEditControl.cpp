#include "win32/NValEditControl.h"

#include "win32/Encoding.h"
#include "win32/HighContrast.h"

#include <imm.h>

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace tobrix::win32 {

namespace {

NValKey KeyOf(WPARAM vk) {
    switch (vk) {
    case VK_BACK: return NValKey::Back;
    case VK_RETURN: return NValKey::Enter;
    case VK_ESCAPE: return NValKey::Escape;
    case VK_HOME: return NValKey::Home;
    case VK_LEFT: return NValKey::Left;
    case VK_UP: return NValKey::Up;
    case VK_DOWN: return NValKey::Down;
    case VK_DELETE: return NValKey::Delete;
    default: return NValKey::Other;
    }
}

// Only ASCII characters can be part of a number; anything else is handed on as DEL, which
// the field drops like every character it has no use for.
char CharOf(WPARAM unit) { return unit < 0x80 ? static_cast<char>(unit) : '\x7F'; }

} // namespace

NValEditControl::NValEditControl(Sound& sound)
    : field_(sound, GetSysColor(COLOR_WINDOWTEXT)),
      textColor_(GetSysColor(COLOR_WINDOWTEXT)), startColor_(textColor_) {}

void NValEditControl::Attach(HWND edit) {
    edit_ = edit;
    SubclassControl(edit_, *this);
    field_.Attach(*this);
}

void NValEditControl::AttachUpDown(int upDownId, int min, int max, int pos) {
    const HWND parent = GetParent(edit_);
    RECT r{};
    GetWindowRect(edit_, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    upDown_ = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE | UDS_NOTHOUSANDS, r.right, r.top,
                              GetSystemMetrics(SM_CXVSCROLL), r.bottom - r.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(upDownId)), GetModuleHandleW(nullptr),
                              nullptr);
    // Bound to this object, so that the parent passes the arrows' clicks on to it.
    SubclassControl(upDown_, *this);
    // Right after the edit in the z-order, so that it paints beside it and the tab order
    // stays the form's.
    SetWindowPos(upDown_, edit_, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(upDown_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit_), 0);
    SendMessageW(upDown_, UDM_SETRANGE32, static_cast<WPARAM>(min), max);
    UDACCEL step{0, 1}; // held down it keeps going one by one
    SendMessageW(upDown_, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&step));
    SetUpDownPosition(pos);
}

void NValEditControl::SetUpDownPosition(int pos) {
    if (upDown_ != nullptr)
        SendMessageW(upDown_, UDM_SETPOS32, 0, pos);
}

// ---- the view ----

std::string NValEditControl::Text() const {
    return Narrow(WindowText(edit_));
}

void NValEditControl::SetText(std::string_view cp932) {
    SetWindowTextW(edit_, Widen(cp932).c_str());
    SendMessageW(edit_, EM_SETMODIFY, TRUE, 0);
    if (upDown_ != nullptr) {
        // The arrows step from the whole number the field holds, within their range.
        int low = 0, high = 0;
        SendMessageW(upDown_, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
        const long double whole = std::trunc(field_.Value());
        const long double pos = std::clamp<long double>(whole, std::min(low, high), std::max(low, high));
        SetUpDownPosition(static_cast<int>(pos));
    }
}

std::pair<DWORD, DWORD> NValEditControl::Selection() const {
    DWORD start = 0, end = 0;
    SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

bool NValEditControl::HasSelection() const {
    const auto [start, end] = Selection();
    return start != end;
}

bool NValEditControl::AllSelected() const {
    const auto [start, end] = Selection();
    return start == 0 && end == static_cast<DWORD>(GetWindowTextLengthW(edit_));
}

void NValEditControl::SelectAll() { SendMessageW(edit_, EM_SETSEL, 0, -1); }

void NValEditControl::PlaceCaretAtEnd() {
    const int length = GetWindowTextLengthW(edit_);
    SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(length), length);
}

void NValEditControl::SetTextColor(Color color) {
    textColor_ = color;
    InvalidateRect(edit_, nullptr, TRUE);
}

void NValEditControl::MoveFocus(bool previous) {
    SendMessageW(GetParent(edit_), WM_NEXTDLGCTL, previous ? 1 : 0, 0);
}

std::optional<std::string> NValEditControl::ClipboardText() const {
    // Asked for as Unicode and converted here, so that the bytes are code page 932 whatever
    // locale the text was put on the clipboard with.
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(edit_))
        return std::nullopt;
    std::optional<std::string> text;
    if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(block))) {
            text = Narrow(std::wstring_view(chars, wcsnlen(chars, GlobalSize(block) / sizeof(wchar_t))));
            GlobalUnlock(block);
        }
    }
    CloseClipboard();
    return text;
}

void NValEditControl::SwitchImeOff() {
    // Without an input context at all: a composition's result would be inserted by the edit
    // control itself, past the field.
    ImmAssociateContextEx(edit_, nullptr, 0);
}

void NValEditControl::SetReadOnly(bool readOnly) { SendMessageW(edit_, EM_SETREADONLY, readOnly, 0); }

// ---- messages ----

LRESULT NValEditControl::OnControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (control == edit_)
        return OnEditMessage(message, wParam, lParam);
    return DefSubclassProc(control, message, wParam, lParam);
}

void NValEditControl::OnControlDestroyed(HWND control) {
    if (control == edit_) {
        field_.Detach(); // the field keeps its value and shows nothing more
        edit_ = nullptr;
    } else if (control == upDown_) {
        upDown_ = nullptr;
    }
}

LRESULT NValEditControl::OnEditMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto byDefault = [&] { return DefSubclassProc(edit_, message, wParam, lParam); };
    switch (message) {
    case WM_GETDLGCODE: {
        // Without EnterNext the form's default and cancel buttons get Enter and Esc.
        LRESULT code = byDefault();
        if (!field_.EnterNext)
            code &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
        return code;
    }
    case WM_KEYDOWN:
        // Shift+Insert pastes inside the control without a paste message: make it one.
        if (wParam == VK_INSERT && GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0) {
            if (!field_.ReadOnly())
                SendMessageW(edit_, WM_PASTE, 0, 0);
            return 0;
        }
        return field_.KeyDown(KeyOf(wParam)) ? 0 : byDefault();
    case WM_CHAR:
    case WM_IME_CHAR: return field_.KeyPress(CharOf(wParam)) ? byDefault() : 0;
    case WM_PASTE: field_.Paste(); return 0;
    case WM_CUT:
    case WM_CLEAR: {
        const LRESULT result = byDefault();
        field_.CutOrClearDone();
        return result;
    }
    case WM_UNDO:
    case EM_UNDO: {
        const LRESULT result = byDefault();
        field_.UndoDone();
        return result;
    }
    case WM_SETTEXT: {
        const LRESULT result = byDefault();
        field_.TextSetOutside();
        return result;
    }
    case WM_SETFOCUS: {
        const LRESULT result = byDefault();
        field_.FocusGained();
        return result;
    }
    case WM_KILLFOCUS: {
        const LRESULT result = byDefault();
        field_.FocusLost();
        return result;
    }
    case WM_MOUSEACTIVATE: field_.MouseActivated(); return byDefault();
    case WM_LBUTTONDOWN: field_.ButtonPressed(); return byDefault();
    case WM_LBUTTONDBLCLK: field_.DoubleClicked(); return byDefault();
    case WM_LBUTTONUP: {
        const LRESULT result = byDefault();
        field_.ButtonReleased();
        return result;
    }
    default: return byDefault();
    }
}

bool NValEditControl::OnReflected(HWND control, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if ((message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC) && control == edit_) {
        // On the default brush and background, which are the system's. The field's colour is the
        // system's text colour as it is now, unless the field was given one of its own; with
        // high contrast on, the system's always (a read-only field's on the dialog's face).
        const COLORREF own = textColor_ == startColor_ ? GetSysColor(COLOR_WINDOWTEXT) : textColor_;
        const TextKind kind = message == WM_CTLCOLORSTATIC ? TextKind::DialogText : TextKind::FieldText;
        ::SetTextColor(reinterpret_cast<HDC>(wParam), TextColor(kind, own, HighContrastOn()));
        return true;
    }
    if (message == WM_VSCROLL && control == upDown_ && LOWORD(wParam) == SB_THUMBPOSITION) {
        // A click on the arrows: the field takes the new number as its value, and the
        // arrows then follow what the field made of it (its bounds may be narrower).
        field_.SetValue(static_cast<int>(SendMessageW(upDown_, UDM_GETPOS32, 0, 0)));
        result = 0;
        return true;
    }
    return false;
}

} // namespace tobrix::win32
