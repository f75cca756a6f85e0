#pragma once
// The main window's commands: what each one is called and shows, when it is enabled, and
// what it does. A command whose update rule leaves it disabled never executes, however it
// was invoked.

#include "common/Cp932Literal.h"

#include <string_view>

namespace tobrix {

class Desktop;
class ItemDataList;
class ListControl;
class MainView;
class Messages;
class Shell;
class Sound;
class SubHost;

enum class Command { actNew, actEdit, actAbout };

// A key with or without Ctrl; `key` is the virtual-key code ('A' for the A key).
struct Shortcut {
    bool ctrl = false;
    unsigned key = 0;
};

struct CommandInfo {
    Command command;
    std::string_view caption;
    std::string_view hint;
    Shortcut shortcut;
    int icon;
};

inline constexpr CommandInfo kCommands[] = {
    {Command::actNew, sjis<u8"追加(&A)">(), sjis<u8"アイテムの新規追加">(), {true, 'A'}, 0},
    {Command::actEdit, sjis<u8"編集(&E)">(), sjis<u8"アイテムの編集">(), {true, 'E'}, 1},
    {Command::actAbout, sjis<u8"バージョン情報(&A)...">(), {}, {}, 9},
};

const CommandInfo& InfoOf(Command command);

// Menu items that are not commands.
enum class MenuItem { mnuExit };

// The main menu, top to bottom: popups with their items.
struct MenuEntry {
    enum Kind { Popup, CommandItem, PlainItem, Separator, EndPopup } kind;
    std::string_view caption = {}; // Popup, PlainItem
    Command command = Command::actNew;
    MenuItem item = MenuItem::mnuExit;
};

inline constexpr MenuEntry kMainMenu[] = {
    {MenuEntry::Popup, sjis<u8"ファイル(&F)">()},
    {MenuEntry::CommandItem, {}, Command::actNew},
    {MenuEntry::CommandItem, {}, Command::actEdit},
    {MenuEntry::Separator},
    {MenuEntry::PlainItem, sjis<u8"終了(&X)">(), Command::actNew, MenuItem::mnuExit},
    {MenuEntry::EndPopup},
    {MenuEntry::Popup, sjis<u8"ヘルプ(&H)">()},
    {MenuEntry::CommandItem, {}, Command::actAbout},
    {MenuEntry::EndPopup},
};

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

    // Whether the command is enabled now.
    bool Update(Command command) const;
    // Runs the update rule, then the command when it is enabled.
    void Execute(Command command);

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
