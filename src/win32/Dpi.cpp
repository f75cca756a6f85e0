#include "win32/Dpi.h"

#include "win32/Fonts.h"
#include "win32/SystemLibrary.h"

namespace tobrix::win32 {

namespace {

// user32 is a known DLL and loaded in every window program: looking it up by name is safe.
template <typename Function>
Function Lookup(const char* name) noexcept {
    return SystemFunction<Function>(GetModuleHandleW(L"user32.dll"), name);
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using SetDialogDpiChangeBehaviorFn = BOOL(WINAPI*)(HWND, int, int);

// DDC_DISABLE_ALL of the Windows 10 headers: no font update, no resizing, no relayout.
constexpr int kDialogDpiChangeOff = 0x0001 | 0x0002 | 0x0004;

} // namespace

int WindowDpi(HWND window) noexcept {
    static const auto getDpiForWindow = Lookup<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr)
        if (const UINT dpi = getDpiForWindow(window); dpi != 0)
            return static_cast<int>(dpi);
    return ScreenDpi();
}

int SystemMetricForDpi(int index, int dpi) noexcept {
    static const auto getSystemMetricsForDpi = Lookup<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (getSystemMetricsForDpi != nullptr)
        return getSystemMetricsForDpi(index, static_cast<UINT>(dpi));
    return GetSystemMetrics(index);
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, bool menu, DWORD exStyle, int dpi) noexcept {
    static const auto adjustForDpi = Lookup<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    if (adjustForDpi == nullptr || !adjustForDpi(&rect, style, menu, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&rect, style, menu, exStyle);
}

void KeepDialogLayoutOwn(HWND dialog) noexcept {
    static const auto setBehavior = Lookup<SetDialogDpiChangeBehaviorFn>("SetDialogDpiChangeBehavior");
    if (setBehavior != nullptr)
        setBehavior(dialog, kDialogDpiChangeOff, kDialogDpiChangeOff);
}

} // namespace tobrix::win32
