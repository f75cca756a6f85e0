#pragma once
// The small platform services on Windows.

#include "common/Identity.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/InstanceLock.h"
#include "platform/Messages.h"
#include "platform/Shell.h"
#include "platform/Sound.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace tobrix::win32 {

// The program's main window, for the services that act in its name (message boxes when no
// window of the program is active, the clipboard, help). Null while there is none.
struct OwnerWindow {
    HWND hwnd = nullptr;
};

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
    bool IsShown(WindowHandle window) override;
    std::optional<std::string> RequestText(WindowHandle window, int bufferSize) override;
};

class Win32Shell final : public Shell {
public:
    void Open(std::string_view target, Show show) override;
};

class Win32Clock final : public Clock {
public:
    std::int64_t Milliseconds() const override { return static_cast<std::int64_t>(GetTickCount64()); }
};

class Win32Sound final : public Sound {
public:
    void Beep(unsigned type) override;
};

// Message boxes owned by the program's active window, captioned with the application title.
class Win32Messages final : public Messages {
public:
    explicit Win32Messages(const OwnerWindow& main) : main_(main) {}
    void ShowError(std::string_view text) override { Show(text, MB_ICONERROR); }
    void ShowWarning(std::string_view text) override { Show(text, MB_ICONWARNING); }
    void ShowInformation(std::string_view text) override { Show(text, MB_ICONINFORMATION); }
    void ShowPlain(std::string_view text) override { Show(text, 0); }
    void ShowCaptioned(std::string_view text, std::string_view caption, MessageIcon icon) override;
    bool AskWarning(std::string_view text) override {
        return Show(text, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
    }
    int Ask(std::string_view text, const std::vector<std::string_view>& buttons, int defaultButton,
            int cancelButton) override;

private:
    // `style`: the buttons and the icon. The button pressed.
    int Show(std::string_view text, UINT style, std::string_view caption = kAppTitle);
    const OwnerWindow& main_;
};

// The clipboard, owned by the main window while it holds the program's text.
class Win32Clipboard final : public Clipboard {
public:
    explicit Win32Clipboard(const OwnerWindow& main) : main_(main) {}
    void SetText(std::string_view cp932) override;
    std::uint32_t SetSecretText(std::string_view cp932) override;
    bool ClearIfUnchanged(std::uint32_t sequence) override;
    void OfferText() override;
    void RenderText(std::string_view cp932) override;

private:
    const OwnerWindow& main_;
};

} // namespace tobrix::win32
