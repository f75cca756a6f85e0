#pragma once
// The main window's commands: what each one is called and shows, when it is enabled, and
// what it does. A command whose update rule leaves it disabled never executes, however it
// was invoked.

#include "app/CommandTable.h"

namespace tobrix {

class Desktop;
class ItemDataList;
class ListControl;
class MainView;
class Messages;
class Shell;
class Sound;
class SubHost;

// What the commands work with.
struct CommandContext {
    MainView& view;
    ListControl& list;
    ItemDataList& items;
    SubHost& host;
    Sound& sound;
    Messages& messages;
    Desktop& desktop;
    Shell& shell;
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
    void actAboutExecute();
    // A double click on the list edits the selected entry; without one it does nothing.
    void lsvListDblClick();

private:
    bool actEditUpdate() const;

    CommandContext c_;
};

} // namespace tobrix
