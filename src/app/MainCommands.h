#pragma once
// The main window's commands on entries: what each one is called and shows, when it is
// enabled, and what it does. A command whose update rule leaves it disabled never
// executes, however it was invoked.

#include "app/CommandTable.h"

#include <string>

namespace tobrix {

class BrowserAddressReader;
class Clipboard;
class Desktop;
class ItemDataList;
class MainClipboardClear;
class MainList;
class MainUndo;
class MainView;
class Messages;
class Shell;
class Sound;
class SubHost;
struct MainState;
struct TVirtualItem;

// What the commands work with.
struct CommandContext {
    MainView& view;
    MainList& list;
    ItemDataList& items;
    MainState& state;
    SubHost& host;
    Sound& sound;
    Messages& messages;
    Desktop& desktop;
    Shell& shell;
    Clipboard& clipboard;
    MainClipboardClear& clipboardClear;
    BrowserAddressReader& browserAddress;
    MainUndo& undo;
};

class MainCommands {
public:
    explicit MainCommands(const CommandContext& context) : c_(context) {}

    // Whether the command is enabled now; true for menu items that are not commands.
    bool Update(CommandId id) const;
    // Runs the update rule, then the command when it is enabled. Menu items that are not
    // commands are the window's own (TfrmMain) and do nothing here.
    void Execute(CommandId id);

    void actNewExecute();
    void actEditExecute();
    // Deletes the selected entry; a continuous paste of it ends, rather than go on with the
    // entry that moves up into its row.
    void actDelExecute();
    // Opens the selected entry's address when AddressFor allows it; otherwise beeps and says why.
    void actHTMLExecute();
    void actTcopyExecute();
    void actUcopyExecute();
    // Copies the plain password, also while passwords are hidden; it leaves the clipboard
    // again after a while.
    void actPcopyExecute();
    void actMcopyExecute();
    void actHcopyExecute();
    void actAboutExecute();
    // A double click on the list edits the selected entry; without one it does nothing.
    void lsvListDblClick();

private:
    // The entry in the selected row, or nullptr.
    const TVirtualItem* Selected() const;
    // Puts a field of the selected entry on the clipboard, exactly as stored.
    void Copy(std::string TVirtualItem::*field);

    CommandContext c_;
};

} // namespace tobrix
