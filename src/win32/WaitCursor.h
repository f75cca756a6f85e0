#pragma once
// The hourglass over a long piece of work that runs on the window's own thread, and the
// cursor that was there before it once the work ends.

#include <windows.h>

namespace tobrix::win32 {

class WaitCursor {
public:
    void Set(bool busy) {
        if (busy) {
            if (!busy_)
                restore_ = SetCursor(Hourglass());
            busy_ = true;
            return;
        }
        if (!busy_)
            return;
        SetCursor(restore_ != nullptr ? restore_ : LoadCursorW(nullptr, IDC_ARROW));
        restore_ = nullptr;
        busy_ = false;
    }

    // For WM_SETCURSOR, and after messages ran (the mouse may have passed over another
    // window): while busy, the hourglass again, and true.
    bool Keep() const {
        if (busy_)
            SetCursor(Hourglass());
        return busy_;
    }

private:
    static HCURSOR Hourglass() { return LoadCursorW(nullptr, IDC_WAIT); }

    HCURSOR restore_ = nullptr;
    bool busy_ = false;
};

} // namespace tobrix::win32
