#pragma once

namespace tobrix {

class InstanceLock;
class Desktop;
class Sound;

// The process entry's single-instance rule. True when this process is the only instance
// and goes on to open its window. Otherwise the running instance's main window is restored
// when minimised and brought to the front, the default beep sounds, and false comes back:
// the process then ends without a window.
bool ClaimSingleInstance(InstanceLock& lock, Desktop& desktop, Sound& sound);

} // namespace tobrix
