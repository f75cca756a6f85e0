#pragma once
// The top-level windows of the desktop, this program's and other programs'. Texts are CP932.

#include <cstdint>
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
};

} // namespace tobrix
