#include "win32/Window.h"

#include <new>
#include <stdexcept>

namespace tobrix::win32 {

bool Window::RegisterClassOnce(const WNDCLASSEXW& prototype) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(prototype.hInstance, prototype.lpszClassName, &existing))
        return true;
    WNDCLASSEXW wc = prototype;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Window::Procedure;
    return RegisterClassExW(&wc) != 0;
}

HWND Window::CreateWindowFor(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style, int x,
                             int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance) {
    return CreateWindowExW(exStyle, className, caption, style, x, y, width, height, parent, menu, instance, this);
}

void Window::Report(Window& window, const std::exception& e) noexcept {
    try {
        window.ReportUnhandled(e);
    } catch (...) {
        // Nothing more can be shown; the window goes on with the default handling.
    }
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    bool handled = false;
    try {
        result = self->HandleMessage(message, wParam, lParam);
        handled = true;
    } catch (const std::exception& e) {
        Report(*self, e);
    } catch (...) {
        Report(*self, std::runtime_error("Unexpected error"));
    }
    if (!handled)
        result = DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

} // namespace tobrix::win32
