#pragma once
// Binds a window handle to its C++ object. The window procedure only unpacks the message
// and calls HandleMessage; no exception leaves it.

#include <windows.h>

#include <exception>

namespace tobrix::win32 {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window() = default;

    HWND Handle() const { return hwnd_; }

protected:
    // Registers the class once per process with this binding procedure.
    static bool RegisterClassOnce(const WNDCLASSEXW& prototype);
    // CreateWindowExW with this object as the creation parameter.
    HWND CreateWindowFor(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style, int x, int y,
                         int width, int height, HWND parent, HMENU menu, HINSTANCE instance);

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Shows an exception that reached the window procedure; the message then gets the
    // default handling.
    virtual void ReportUnhandled(const std::exception& e) = 0;

    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static void Report(Window& window, const std::exception& e) noexcept;

    HWND hwnd_ = nullptr;
};

} // namespace tobrix::win32
