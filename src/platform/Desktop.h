#pragma once
// The top-level windows of the desktop, this program's and other programs'. Texts are CP932.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tobrix {

using WindowHandle = std::uintptr_t; // 0: no window

class Desktop {
public:
    virtual ~Desktop() = default;
    // A top-level window with this class name and caption, or 0.
    virtual WindowHandle FindTopLevel(std::string_view className, std::string_view caption) = 0;
    virtual bool IsMinimized(WindowHandle window) = 0;
    virtual void Restore(WindowHandle window) = 0;
    virtual void BringToFront(WindowHandle window) = 0;

    // The top-level windows from front to back; `visit` returns false to stop.
    virtual void EnumTopLevel(const std::function<bool(WindowHandle)>& visit) = 0;
    // Every descendant of the window (children, their children, ...) in the system's order.
    virtual void EnumDescendants(WindowHandle parent, const std::function<void(WindowHandle)>& visit) = 0;
    // The title as read into a buffer of `bufferSize` bytes: at most bufferSize - 1 bytes.
    virtual std::string Title(WindowHandle window, int bufferSize) = 0;
    // The class name (at most bufferSize - 1 bytes), or nothing when it cannot be read.
    virtual std::optional<std::string> ClassName(WindowHandle window, int bufferSize) = 0;
    virtual bool IsWindow(WindowHandle window) = 0;
    // Shown (the window and its owners visible), and not cloaked: a window on another virtual
    // desktop, or one the system keeps hidden, is not.
    virtual bool IsShown(WindowHandle window) = 0;
    // Asks the window for its text (at most bufferSize - 1 bytes). Waits a couple of seconds
    // at most: nothing comes back from a window whose program does not answer, nor when the
    // text holds characters that code page 932 cannot hold.
    virtual std::optional<std::string> RequestText(WindowHandle window, int bufferSize) = 0;
};

} // namespace tobrix
