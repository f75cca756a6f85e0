// The process entry: one instance at a time, then the main window and its message loop.

#include "app/Startup.h"
#include "editor/TodaysBrowser.h"
#include "win32/MainWindow.h"
#include "win32/SystemLibrary.h"
#include "win32/Win32Accessibility.h"
#include "win32/Win32BrowserAddress.h"
#include "win32/Win32Collation.h"
#include "win32/Win32Crypto.h"
#include "win32/Win32Files.h"
#include "win32/Win32Help.h"
#include "win32/Win32Platform.h"
#include "win32/Win32Registry.h"
#include "win32/Win32TextCodec.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <memory>

using namespace tobrix;
using namespace tobrix::win32;

namespace {

// The file dialogs and ShellExecute use the shell's COM objects, which want a single-threaded
// apartment on this thread for the whole run.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }

private:
    HRESULT result_;
};

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Before anything could load a DLL by name.
    RestrictDllSearch();
    const ComApartment com; // ends after the windows below

    Win32InstanceLock lock;
    Win32Desktop desktop;
    Win32Sound sound;
    Win32Clock clock;
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
    Win32Help help(main, files);
    Win32TextCodec codec;
    Win32Crypto crypto;
    // The browsers are read on the reader's own thread, with services of its own.
    CaptureBound captureBound;
    // Shared by the readers' threads, which may outlive this function when a browser hangs.
    const auto beingRead = std::make_shared<WindowsBeingRead>();
    Win32BrowserAddressReader browserAddress(
        [beingRead] {
            Win32Desktop readerDesktop;
            // UI Automation carries the keys of the address bar across processes by itself;
            // IAccessible2's attributes need its proxy registered (as screen readers do).
            Win32UiAutomation uiAutomation;
            Win32Accessibility activeAccessibility;
            Accessibility* const interfaces[] = {&uiAutomation, &activeAccessibility};
            Win32TextCodec readerCodec;
            return ReadTodaysBrowser(readerDesktop, interfaces, readerCodec, *beingRead);
        },
        [&captureBound, &desktop] { return captureBound.BoundMs(desktop); });
    MainWindow window(instance,
                      MainServices{registry, files, messages, sound, desktop, shell, collation, clipboard, help, codec,
                                   crypto, browserAddress, clock},
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
        // The user is at the program (while a modal dialog is open the idle time does not
        // count, so its own loop need not tell).
        if ((message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) ||
            (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST) ||
            (message.message >= WM_NCMOUSEMOVE && message.message <= WM_NCXBUTTONDBLCLK))
            window.OnUserInput();
        if (window.TranslateShortcut(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
