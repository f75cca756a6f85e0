#pragma once
// State of the main window shared by its parts (list, commands, paste, drag).

#include "session/DataFileSession.h"

#include <cstdint>

namespace tobrix {

struct MainState : DataFileState {
    bool Destroying = false;        // the window is going away: selection events change nothing
    std::int32_t SelIndex = -1;     // row last selected
    std::int32_t PasteStep = 0;     // continuous paste: 0 off, 1..3 field offered next, 4 done
    std::int32_t LineHeight = 0;    // drag auto-scroll step, in pixels
    // Ends a continuous paste: when the selection changes, and when the selected entry is
    // deleted or dragged away, so that no paste hands over a field of the entry that moves
    // into its row (an account the user did not choose). A sort keeps it going on the row.
    void EndPaste() { PasteStep = 0; }
};

} // namespace tobrix
