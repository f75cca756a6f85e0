// The process entry: one instance at a time, then the main window and its message loop.

#include "app/Startup.h"
#include "win32/MainWindow.h"
#include "win32/Win32Collation.h"
#include "win32/Win32Files.h"
#include "win32/Win32Platform.h"
#include "win32/Win32Registry.h"
#include "win32/Win32TextCodec.h"

#include <windows.h>

#include <commctrl.h>

using namespace tobrix;
using namespace tobrix::win32;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    Win32InstanceLock lock;
    Win32Desktop desktop;
    Win32Sound sound;
    if (!ClaimSingleInstance(lock, desktop, sound))
        return 0;

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    OwnerWindow main;
    Win32Registry registry;
    Win32Files files;
    Win32Messages messages(main);
    Win32Shell shell;
    Win32Collation collation;
    Win32Clipboard clipboard(main);
    Win32Help help(main);
    Win32TextCodec codec;
    MainWindow window(instance,
                      MainServices{registry, files, messages, sound, desktop, shell, collation, clipboard, help, codec},
                      main,
                      ExecutablePath());
    if (!window.Create(showCommand))
        return 0;

    MSG message;
    for (;;) {
        // The queue is empty: the program is idle, and the commands' update rules run.
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE))
            window.OnIdle();
        if (GetMessageW(&message, nullptr, 0, 0) <= 0)
            break;
        if (window.TranslateShortcut(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
