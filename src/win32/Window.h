#pragma once
// A window of a class of the program's own, bound to its C++ object (Binding.h) from
// WM_NCCREATE to WM_NCDESTROY. The window procedure only unpacks the message and calls
// HandleMessage; no exception leaves it.

#include "win32/Binding.h"

#include <windows.h>

namespace tobrix::win32 {

class Window : public MessageTarget {
public:
    Window() = default;

    // Null before the window is created and after it is destroyed.
    HWND Handle() const { return hwnd_; }

protected:
    // Registers the class once per process with this binding procedure.
    static bool RegisterClassOnce(const WNDCLASSEXW& prototype);
    // CreateWindowExW with this object as the creation parameter.
    HWND CreateWindowFor(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style, int x, int y,
                         int width, int height, HWND parent, HMENU menu, HINSTANCE instance);

    // Every message but the notifications a bound control answers itself. A message whose
    // handler throws gets the default handling after the exception was shown
    // (ReportUnhandled).
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HWND hwnd_ = nullptr;
};

} // namespace tobrix::win32
