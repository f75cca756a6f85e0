#pragma once
// The main window's commands and menu items: the one table of their identifiers, captions,
// hints, shortcut keys, icons and check marks. The menus, the context menu, the toolbar, the
// shortcut keys, the check marks and the tests all take them from here.

#include "common/Cp932Literal.h"

#include <cstddef>
#include <string_view>

namespace tobrix {

// Stable identifiers, also the numbers of the window's command messages: tests and tools
// address commands by them, so a number is never reused for another command.
enum class CommandId : int {
    // Commands (with an update rule and an execute handler).
    actNew = 2000,
    actEdit = 2001,
    actDel = 2002,
    actHTML = 2003,
    actTcopy = 2004,
    actUcopy = 2005,
    actPcopy = 2006,
    actMcopy = 2007,
    actHcopy = 2008,
    actAbout = 2009,
    actTopLock = 2010,
    actAutoPaste = 2011,
    actMoveUp = 2111,
    actMoveDown = 2112,
    actFind = 2113,
    // Menu items that are not commands.
    mnuInport = 2100,
    mnuExport = 2101,
    mnuExit = 2102,
    mnuHide = 2103,
    mnuShard = 2104,
    mnuContents = 2105,
    mnuSearchforHelp = 2106,
    mnuMasterPassword = 2107,
    mnuClearClipboard = 2108,
    mnuPasswordCsvImport = 2109,
    mnuPasswordCsvExport = 2110,
    mnuPasswordAudit = 2120,
    mnuLock = 2121,
    actUndo = 2122,
    actRedo = 2123,
};

// A key with or without Ctrl or Alt; `key` is the virtual-key code ('A' for the A key). A key held
// down repeats its command, unless `once`: a command that must not run in a burst (deleting
// one entry after another, opening one browser window after another) runs once per press.
struct Shortcut {
    bool ctrl = false;
    unsigned key = 0;
    bool once = false;
    bool alt = false;
};

inline constexpr unsigned kKeyDelete = 0x2E; // VK_DELETE
inline constexpr unsigned kKeyUp = 0x26;     // VK_UP
inline constexpr unsigned kKeyDown = 0x28;   // VK_DOWN

// The images of the commands and menu items, in the order of their icon numbers.
inline constexpr int kCommandImageCount = 15;

struct CommandInfo {
    CommandId id;
    std::string_view caption;
    std::string_view hint; // the toolbar button's tooltip
    Shortcut shortcut;
    int icon;       // image in the window's image list, -1 for none
    bool checkable; // shows a check mark in menus (a pressed toolbar button)
    std::string_view lockedCaption = {}; // the caption while the window is locked, when it reads otherwise then
};

inline constexpr CommandInfo kCommands[] = {
    {CommandId::actNew, sjis<u8"追加(&A)">(), sjis<u8"アイテムの新規追加">(), {true, 'A'}, 0, false},
    {CommandId::actEdit, sjis<u8"編集(&E)">(), sjis<u8"アイテムの編集">(), {true, 'E'}, 1, false},
    {CommandId::actDel, sjis<u8"削除(&D)">(), sjis<u8"アイテムの削除">(), {false, kKeyDelete, true}, 2, false},
    {CommandId::actHTML, sjis<u8"HTMLの表示(&G)">(), sjis<u8"HTMLの表示">(), {true, 'G', true}, 3, false},
    {CommandId::actTcopy, sjis<u8"タイトルのコピー(&N)">(), sjis<u8"タイトルをコピーします">(), {true, 'N'}, 4, false},
    {CommandId::actUcopy, sjis<u8"ユーザーＩＤのコピー(&C)">(), sjis<u8"ユーザーＩＤをコピーします">(), {true, 'U'}, 5,
     false},
    {CommandId::actPcopy, sjis<u8"パスワードのコピー(&P)">(), sjis<u8"パスワードをコピーします">(), {true, 'C'}, 6, false},
    {CommandId::actMcopy, sjis<u8"メモのコピー(&M)">(), sjis<u8"メモをコピーします">(), {true, 'M'}, 7, false},
    {CommandId::actHcopy, sjis<u8"HTMLアドレスのコピー(&H)">(), sjis<u8"HTMLアドレスをコピーします">(), {true, 'H'}, 8,
     false},
    {CommandId::actUndo, sjis<u8"元に戻す(&Z)">(), sjis<u8"直前の変更を元に戻す">(), {true, 'Z'}, -1, false},
    {CommandId::actRedo, sjis<u8"やり直し(&Y)">(), sjis<u8"元に戻した変更をやり直す">(), {true, 'Y'}, -1, false},
    {CommandId::actMoveUp, sjis<u8"上へ移動(&U)">(), {}, {.key = kKeyUp, .alt = true}, -1, false},
    {CommandId::actMoveDown, sjis<u8"下へ移動(&D)">(), {}, {.key = kKeyDown, .alt = true}, -1, false},
    {CommandId::actFind, sjis<u8"検索(&F)">(), {}, {true, 'F'}, -1, false},
    {CommandId::actAbout, sjis<u8"バージョン情報(&A)...">(), {}, {}, 9, false},
    {CommandId::actTopLock, sjis<u8"常に最前面(&T)">(), sjis<u8"ウィンドウを常に最前面に表示します">(), {}, 10, true},
    {CommandId::actAutoPaste, sjis<u8"連続貼り付け(&R)">(), sjis<u8"連続張り付けを可能にします">(), {true, 'V'}, 14, true},
    {CommandId::mnuInport, sjis<u8"ファイルの取り込み(&R)...">(), {}, {}, -1, false},
    {CommandId::mnuPasswordCsvImport, sjis<u8"パスワードCSVの取り込み(&B)...">(), {}, {}, -1, false},
    {CommandId::mnuExport, sjis<u8"ファイルへの書き出し(&W)...">(), {}, {}, -1, false},
    {CommandId::mnuPasswordCsvExport, sjis<u8"パスワードCSVへの書き出し(&S)...">(), {}, {}, -1, false},
    {CommandId::mnuLock, sjis<u8"ロック(&L)">(), {}, {true, 'L', true}, -1, false, sjis<u8"ロック解除(&L)...">()},
    {CommandId::mnuExit, sjis<u8"終了(&X)">(), {}, {}, -1, false},
    {CommandId::mnuHide, sjis<u8"パスワードをふせる(&H)">(), {}, {}, 11, true},
    {CommandId::mnuShard, sjis<u8"シェード機能(&S)">(), {}, {}, 13, true},
    {CommandId::mnuMasterPassword, sjis<u8"マスターパスワードの設定(&M)...">(), {}, {}, -1, false},
    {CommandId::mnuClearClipboard, sjis<u8"コピーしたパスワードを消去(&L)">(), {}, {}, -1, true},
    {CommandId::mnuPasswordAudit, sjis<u8"パスワードの点検(&K)...">(), {}, {}, -1, false},
    {CommandId::mnuContents, sjis<u8"目次(&C)">(), {}, {}, 12, false},
    {CommandId::mnuSearchforHelp, sjis<u8"トピックの検索(&S)">(), {}, {}, -1, false},
};

// The table's row of a command.
constexpr const CommandInfo& InfoOf(CommandId id) {
    for (const CommandInfo& info : kCommands)
        if (info.id == id)
            return info;
    return kCommands[0];
}

namespace detail {

constexpr bool EachIdOnce() {
    for (const CommandInfo& a : kCommands) {
        int seen = 0;
        for (const CommandInfo& b : kCommands)
            seen += a.id == b.id ? 1 : 0;
        if (seen != 1)
            return false;
    }
    return true;
}

constexpr bool IconsInRange() {
    for (const CommandInfo& info : kCommands)
        if (info.icon < -1 || info.icon >= kCommandImageCount)
            return false;
    return true;
}

} // namespace detail

static_assert(detail::EachIdOnce(), "a command id has one row in the table");
static_assert(detail::IconsInRange(), "a command's icon is one of the command images");

// One place of a menu or of the toolbar: a command, or a separator. Hidden places are laid
// out but not shown (they keep their command's shortcut working).
struct MenuEntry {
    enum Kind { Popup, Item, Separator, EndPopup } kind;
    std::string_view caption = {}; // Popup
    CommandId id = CommandId::actNew; // Item
    bool hidden = false;
};

inline constexpr MenuEntry kMainMenu[] = {
    {MenuEntry::Popup, sjis<u8"ファイル(&F)">()},
    {MenuEntry::Item, {}, CommandId::actNew},
    {MenuEntry::Item, {}, CommandId::actEdit},
    {MenuEntry::Item, {}, CommandId::actDel},
    {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::actHTML},
    {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::mnuInport},
    {MenuEntry::Item, {}, CommandId::mnuPasswordCsvImport},
    {MenuEntry::Item, {}, CommandId::mnuExport},
    {MenuEntry::Item, {}, CommandId::mnuPasswordCsvExport},
    {MenuEntry::Item, {}, CommandId::mnuLock},
    {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::mnuExit},
    {MenuEntry::EndPopup},
    {MenuEntry::Popup, sjis<u8"編集(&E)">()},
    {MenuEntry::Item, {}, CommandId::actUndo},
    {MenuEntry::Item, {}, CommandId::actRedo},
    {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::actFind},
    {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::actTcopy},
    {MenuEntry::Item, {}, CommandId::actUcopy},
    {MenuEntry::Item, {}, CommandId::actPcopy},
    {MenuEntry::Item, {}, CommandId::actMcopy},
    {MenuEntry::Item, {}, CommandId::actHcopy},
    {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::actMoveUp},
    {MenuEntry::Item, {}, CommandId::actMoveDown},
    {MenuEntry::Separator, {}, CommandId::actNew, true},
    {MenuEntry::Item, {}, CommandId::actAutoPaste, true}, // P1
    {MenuEntry::EndPopup},
    {MenuEntry::Popup, sjis<u8"ツール(&T)">()},
    {MenuEntry::Item, {}, CommandId::mnuHide},
    {MenuEntry::Item, {}, CommandId::mnuShard},
    {MenuEntry::Item, {}, CommandId::mnuMasterPassword},
    {MenuEntry::Item, {}, CommandId::mnuClearClipboard},
    {MenuEntry::Item, {}, CommandId::mnuPasswordAudit},
    {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::actTopLock}, // T1
    {MenuEntry::EndPopup},
    {MenuEntry::Popup, sjis<u8"ヘルプ(&H)">()},
    {MenuEntry::Item, {}, CommandId::mnuContents},
    {MenuEntry::Item, {}, CommandId::mnuSearchforHelp},
    {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::actAbout},
    {MenuEntry::EndPopup},
};

// The list's context menu.
inline constexpr MenuEntry kContextMenu[] = {
    {MenuEntry::Item, {}, CommandId::actNew},   {MenuEntry::Item, {}, CommandId::actEdit},
    {MenuEntry::Item, {}, CommandId::actDel},   {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::actTcopy}, {MenuEntry::Item, {}, CommandId::actUcopy},
    {MenuEntry::Item, {}, CommandId::actPcopy}, {MenuEntry::Item, {}, CommandId::actMcopy},
    {MenuEntry::Item, {}, CommandId::actHcopy}, {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::actHTML},
};

// The toolbar, left to right.
inline constexpr MenuEntry kToolBar[] = {
    {MenuEntry::Item, {}, CommandId::actNew},
    {MenuEntry::Item, {}, CommandId::actEdit},
    {MenuEntry::Item, {}, CommandId::actDel},
    {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::actHTML},
    {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::actTcopy},
    {MenuEntry::Item, {}, CommandId::actUcopy},
    {MenuEntry::Item, {}, CommandId::actPcopy},
    {MenuEntry::Item, {}, CommandId::actMcopy},
    {MenuEntry::Item, {}, CommandId::actHcopy},
    {MenuEntry::Separator},
    {MenuEntry::Item, {}, CommandId::actAutoPaste, true}, // ToolButton1
    {MenuEntry::Separator, {}, CommandId::actNew, true},
    {MenuEntry::Item, {}, CommandId::actTopLock}, // tlbTopMost
};

namespace detail {

// Every item of a menu or of the toolbar stands for a command of the table (InfoOf would
// otherwise quietly give the first row's caption).
template <std::size_t N>
constexpr bool ItemsInTable(const MenuEntry (&entries)[N]) {
    for (const MenuEntry& entry : entries) {
        if (entry.kind != MenuEntry::Item)
            continue;
        bool found = false;
        for (const CommandInfo& info : kCommands)
            found = found || info.id == entry.id;
        if (!found)
            return false;
    }
    return true;
}

} // namespace detail

static_assert(detail::ItemsInTable(kMainMenu) && detail::ItemsInTable(kContextMenu) && detail::ItemsInTable(kToolBar),
              "every menu and toolbar item is a command of the table");

} // namespace tobrix
