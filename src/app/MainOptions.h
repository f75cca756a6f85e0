#pragma once
// The main window's options: top-most, the shade that rolls the window up to its caption,
// password hiding, and help. The three switches live in the settings, so they are restored
// at start and saved at exit with them.

#include "platform/Files.h"
#include "platform/Help.h"

namespace tobrix {

class MainList;
class MainView;
class Messages;
struct TSettings;

class MainOptions {
public:
    MainOptions(MainView& view, MainList& list, TSettings& settings, Help& help, Files& files, Messages& messages,
                const FilePath& exePath)
        : view_(view), list_(list), settings_(settings), help_(help), files_(files), messages_(messages),
          exePath_(exePath) {}

    // The check marks and the top-most state from the settings, as loaded at start.
    void Restore();

    void actTopLockExecute();
    void mnuShardClick();
    void mnuHideClick();
    void mnuContentsClick();
    void mnuSearchforHelpClick();
    // At exit: the help windows go with the program.
    void CloseHelp();

    // A double click in the window's frame or caption, at screen height y. With the shade on,
    // a double click in the caption strip rolls the window up to it, or back down to the
    // height it had; true then, and also for other places of the frame, so that the system's
    // own double click (maximise, close) never happens. False with the shade off.
    bool NonClientDoubleClick(int y);

private:
    // An old WinHelp file beside the program wins (a user who kept one wants it); otherwise
    // the guide, or a message naming the guide when it is missing or does not open.
    void OpenHelp(HelpPage page);

    MainView& view_;
    MainList& list_;
    TSettings& settings_;
    Help& help_;
    Files& files_;
    Messages& messages_;
    const FilePath& exePath_;
};

} // namespace tobrix
