#pragma once
// The hourglass over a long piece of work that runs on the window's own thread, and the
// cursor that was there before it once the work ends.

#include <windows.h>

namespace tobrix::win32 {

class WaitCursor {
public:
    void Set(bool busy) {
        if (busy) {
            restore_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return;
        }
        SetCursor(restore_ != nullptr ? restore_ : LoadCursorW(nullptr, IDC_ARROW));
        restore_ = nullptr;
    }

private:
    HCURSOR restore_ = nullptr;
};

} // namespace tobrix::win32
