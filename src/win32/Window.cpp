#include "win32/Window.h"

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

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (!Bind(hwnd, *self))
            return FALSE; // the window is not created
        self->hwnd_ = hwnd;
    }
    Window* const self = BoundAs<Window>(hwnd);
    if (self == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    const bool handled = Guarded(*self, [&] {
        if (!ReflectToControl(hwnd, message, wParam, lParam, result))
            result = self->HandleMessage(message, wParam, lParam);
    });
    if (!handled)
        result = DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        Unbind(hwnd);
        self->hwnd_ = nullptr;
    }
    return result;
}

} // namespace tobrix::win32
