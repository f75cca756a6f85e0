#pragma once
// A copied password does not stay on the clipboard: it is taken off again after a delay, when
// the window goes and when the session ends. Only the program's own copy is taken off: what
// another program, or another copy command, put on the clipboard since is never touched. The
// switch and the delay live in the settings.

#include <cstdint>
#include <optional>

namespace tobrix {

class Clipboard;
class MainView;
struct TSettings;

class MainClipboardClear {
public:
    MainClipboardClear(MainView& view, TSettings& settings, Clipboard& clipboard)
        : view_(view), settings_(settings), clipboard_(clipboard) {}

    // The check mark from the settings, as loaded at start.
    void Restore();
    // Switches the clearing on or off; switched off, a password waiting to be taken off stays.
    void mnuClearClipboardClick();
    // A password was put on the clipboard, which then had this sequence number. With the
    // clearing on, it is taken off after the settings' delay, counted from now: a second copy
    // starts the delay again.
    void PasswordCopied(std::uint32_t sequence);
    // The delay has passed; or, while another program held the clipboard, a short wait before
    // the next try.
    void timClearTimer();
    // The window goes or the session ends: a password waiting to be taken off goes now.
    void ClearNow();

private:
    void Cancel();

    MainView& view_;
    TSettings& settings_;
    Clipboard& clipboard_;
    // The clipboard's sequence number right after the password copy that waits to be taken off.
    std::optional<std::uint32_t> pending_;
    int retries_ = 0; // tries left while the clipboard is held
};

} // namespace tobrix
