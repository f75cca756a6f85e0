#pragma once
// The help viewers on Windows: WinHelp, and HTML Help for the guide.

#include "platform/Files.h"
#include "platform/Help.h"
#include "win32/Win32Platform.h"

#include <windows.h>

namespace tobrix::win32 {

// The guide as HTML Help is given it: a copy in `folder` under the guide's own name, written
// afresh from `guide` when there is none yet or it differs from `guide` in size or last-write
// time (the copy takes the guide's time), through `files`. HTML Help shows no topic of a file that carries the
// mark of the web (the Zone.Identifier stream a downloaded program's files get), and none
// from a network path or a folder with '#' in its name; a copy written here has neither.
// `guide` itself when no copy can be made.
FilePath LocalGuideCopy(Files& files, const FilePath& guide, const FilePath& folder);

// WinHelp and HTML Help for the main window. HTML Help (hhctrl.ocx) is loaded from the system
// folder when help is first asked for, and stays loaded for the rest of the run.
class Win32Help final : public Help {
public:
    Win32Help(const OwnerWindow& main, Files& files) : main_(main), files_(files) {}
    void ShowWinHelp(const FilePath& helpFile, HelpPage page) override;
    bool ShowHtmlHelp(const FilePath& helpFile, HelpPage page) override;
    void CloseAll() override;

private:
    using HtmlHelpFunction = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);
    // Null when HTML Help cannot be loaded.
    HtmlHelpFunction HtmlHelpEntry();

    const OwnerWindow& main_;
    Files& files_;
    bool loadTried_ = false;
    HtmlHelpFunction htmlHelp_ = nullptr;
};

} // namespace tobrix::win32
