#pragma once
// The main window's commands and menu items: the one table of their identifiers, captions,
// hints, shortcut keys, icons and check marks. The menus, the shortcut keys, the check marks
// and the tests all take them from here.

#include "common/Cp932Literal.h"

#include <string_view>

namespace tobrix {

// Stable identifiers, also the numbers of the window's command messages: tests and tools
// address commands by them, so a number is never reused for another command.
enum class CommandId : int {
    // Commands (with an update rule and an execute handler).
    actNew = 2000,
    actEdit = 2001,
    actAbout = 2009,
    actTopLock = 2010,
    // Menu items that are not commands.
    mnuExit = 2102,
    mnuHide = 2103,
    mnuShard = 2104,
};

// A key with or without Ctrl; `key` is the virtual-key code ('A' for the A key).
struct Shortcut {
    bool ctrl = false;
    unsigned key = 0;
};

struct CommandInfo {
    CommandId id;
    std::string_view caption;
    std::string_view hint; // the toolbar button's tooltip
    Shortcut shortcut;
    int icon;       // image in the list's image list, -1 for none
    bool checkable; // shows a check mark in menus (a pressed toolbar button)
};

inline constexpr CommandInfo kCommands[] = {
    {CommandId::actNew, sjis<u8"追加(&A)">(), sjis<u8"アイテムの新規追加">(), {true, 'A'}, 0, false},
    {CommandId::actEdit, sjis<u8"編集(&E)">(), sjis<u8"アイテムの編集">(), {true, 'E'}, 1, false},
    {CommandId::actAbout, sjis<u8"バージョン情報(&A)...">(), {}, {}, 9, false},
    {CommandId::actTopLock, sjis<u8"常に最前面(&T)">(), sjis<u8"ウィンドウを常に最前面に表示します">(), {}, 10, true},
    {CommandId::mnuExit, sjis<u8"終了(&X)">(), {}, {}, -1, false},
    {CommandId::mnuHide, sjis<u8"パスワードをふせる(&H)">(), {}, {}, 11, true},
    {CommandId::mnuShard, sjis<u8"シェード機能(&S)">(), {}, {}, 13, true},
};

// The table's row of a command.
constexpr const CommandInfo& InfoOf(CommandId id) {
    for (const CommandInfo& info : kCommands)
        if (info.id == id)
            return info;
    return kCommands[0];
}

// The main menu, top to bottom: popups with their items.
struct MenuEntry {
    enum Kind { Popup, Item, Separator, EndPopup } kind;
    std::string_view caption = {}; // Popup
    CommandId id = CommandId::actNew; // Item
};

inline constexpr MenuEntry kMainMenu[] = {
    {MenuEntry::Popup, sjis<u8"ファイル(&F)">()},
    {MenuEntry::Item, {}, CommandId::actNew},
    {MenuEntry::Item, {}, CommandId::actEdit},
    {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::mnuExit},
    {MenuEntry::EndPopup},
    {MenuEntry::Popup, sjis<u8"ツール(&T)">()},
    {MenuEntry::Item, {}, CommandId::mnuHide},
    {MenuEntry::Item, {}, CommandId::mnuShard},
    {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::actTopLock},
    {MenuEntry::EndPopup},
    {MenuEntry::Popup, sjis<u8"ヘルプ(&H)">()},
    {MenuEntry::Item, {}, CommandId::actAbout},
    {MenuEntry::EndPopup},
};

} // namespace tobrix
