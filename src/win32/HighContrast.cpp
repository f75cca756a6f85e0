#include "win32/HighContrast.h"

namespace tobrix::win32 {

bool HighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) != FALSE &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

COLORREF TextColor(TextKind kind, COLORREF own, bool highContrast) {
    if (!highContrast)
        return own;
    switch (kind) {
    case TextKind::Link: return GetSysColor(COLOR_HOTLIGHT);
    case TextKind::DialogText: return GetSysColor(COLOR_BTNTEXT);
    case TextKind::FieldText: return GetSysColor(COLOR_WINDOWTEXT);
    }
    return own;
}

namespace {

BOOL CALLBACK TellChild(HWND child, LPARAM) {
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

} // namespace

void FollowSystemColors(HWND window) {
    EnumChildWindows(window, &TellChild, 0);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

} // namespace tobrix::win32
