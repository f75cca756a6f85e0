#pragma once
// The main window's commands on screen: the menu bar, the list's context menu, the toolbar,
// the shortcut keys and the small images they share, all built from the command table.

#include "app/CommandTable.h"

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>

namespace tobrix::win32 {

class CommandUi {
public:
    // `scale` turns 96-DPI pixels into the window's.
    CommandUi(HINSTANCE instance, std::function<int(int)> scale);
    ~CommandUi();
    CommandUi(const CommandUi&) = delete;
    CommandUi& operator=(const CommandUi&) = delete;

    // The menu bar, for the window's creation; the window owns it from then on.
    HMENU TakeMenuBar();
    // The images of the commands (imlIcon); the list and the toolbar share them.
    HIMAGELIST Images() const { return images_; }
    void CreateToolBar(HWND parent);
    HWND ToolBar() const { return toolBar_; }
    // The toolbar's height once it has fitted itself to the window's width.
    int FitToolBar();
    // After a change of the window's DPI: the images made again at their size there (the
    // old list is destroyed: whoever shows it takes the new one) and the toolbar's measures.
    void Rescale();

    // The shortcut keys, taken before the focused control sees them; the repeats of a held
    // key whose command runs once per press are taken and dropped.
    bool TranslateShortcut(HWND window, MSG& message) const;
    // Shows the context menu at a point of the screen; the chosen command reaches the owner
    // as WM_COMMAND.
    void ShowContextMenu(HWND owner, POINT at) const;

    void SetChecked(HWND window, CommandId id, bool checked);
    // The captions of the commands that read otherwise while the window is locked.
    void ShowLockedCaptions(HMENU menu, bool locked) const;
    // The check marks that follow the window's state, brought up to date where they differ.
    void FollowChecks(HWND window, const std::function<std::optional<bool>(CommandId)>& checked);
    // Each command's items in a menu about to open, enabled as `enabled` says.
    void EnableMenu(HMENU menu, const std::function<bool(CommandId)>& enabled) const;
    // Each toolbar button enabled as `enabled` says; buttons already so are left alone.
    void EnableToolBar(const std::function<bool(CommandId)>& enabled) const;

    // The images in front of menu items, drawn by the window when the menu asks.
    bool MeasureMenuImage(MEASUREITEMSTRUCT& item) const;
    bool DrawMenuImage(const DRAWITEMSTRUCT& item) const;
    // The toolbar's tooltips: the commands' hints.
    bool TooltipText(NMTTDISPINFOW& info);

private:
    void MakeImages();
    void MeasureToolBar();
    HMENU BuildMenu(const MenuEntry* first, const MenuEntry* last, bool popup);
    void AddMenuItem(HMENU menu, CommandId id);

    HINSTANCE instance_;
    std::function<int(int)> scale_;
    HIMAGELIST images_ = nullptr;
    HMENU menuBar_ = nullptr;
    HMENU contextMenu_ = nullptr;
    HACCEL shortcuts_ = nullptr;
    HWND toolBar_ = nullptr;
    std::wstring tooltip_; // the text last handed to the tooltip control
};

} // namespace tobrix::win32
