#pragma once
// The small platform services on Windows.

#include "platform/Desktop.h"
#include "platform/InstanceLock.h"
#include "platform/Messages.h"
#include "platform/Shell.h"
#include "platform/Sound.h"

#include <windows.h>

#include <string>

namespace tobrix::win32 {

class Win32InstanceLock final : public InstanceLock {
public:
    // The mutex is held until the process ends; the system closes it then.
    bool Acquire(std::string_view name) override;
};

class Win32Desktop final : public Desktop {
public:
    WindowHandle FindTopLevel(std::string_view className, std::string_view caption) override;
    bool IsMinimized(WindowHandle window) override;
    void Restore(WindowHandle window) override;
    void BringToFront(WindowHandle window) override;
    void EnumTopLevel(const std::function<bool(WindowHandle)>& visit) override;
    void EnumDescendants(WindowHandle parent, const std::function<void(WindowHandle)>& visit) override;
    std::string Title(WindowHandle window, int bufferSize) override;
    std::optional<std::string> ClassName(WindowHandle window, int bufferSize) override;
    bool IsWindow(WindowHandle window) override;
    std::optional<std::string> RequestText(WindowHandle window, int bufferSize) override;
};

class Win32Shell final : public Shell {
public:
    void Open(std::string_view target, Show show) override;
};

class Win32Sound final : public Sound {
public:
    void Beep(unsigned type) override;
};

// Message boxes owned by the program's active window, captioned with the application title.
class Win32Messages final : public Messages {
public:
    // The window that owns boxes when none of the program's windows is active; nullptr for none.
    void SetFallbackOwner(HWND owner) { fallbackOwner_ = owner; }
    void ShowError(std::string_view text) override { Show(text, MB_ICONERROR); }
    void ShowWarning(std::string_view text) override { Show(text, MB_ICONWARNING); }
    void ShowInformation(std::string_view text) override { Show(text, MB_ICONINFORMATION); }
    void ShowPlain(std::string_view text) override { Show(text, 0); }

private:
    void Show(std::string_view text, UINT icon);
    HWND fallbackOwner_ = nullptr;
};

} // namespace tobrix::win32
