#include "app/Startup.h"

#include "common/Identity.h"
#include "platform/Desktop.h"
#include "platform/InstanceLock.h"
#include "platform/Sound.h"

namespace tobrix {

bool ClaimSingleInstance(InstanceLock& lock, Desktop& desktop, Sound& sound) {
    if (lock.Acquire(kInstanceName))
        return true;
    // The running instance may still be creating its window; then there is nothing to
    // bring forward and the beep alone answers.
    if (const WindowHandle running = desktop.FindTopLevel(kMainWindowClass, kAppTitle)) {
        if (desktop.IsMinimized(running))
            desktop.Restore(running);
        desktop.BringToFront(running);
    }
    sound.Beep(kBeepDefault);
    return false;
}

} // namespace tobrix
