#pragma once
// The main window's presenter: start-up state, shutdown, and the parts it owns.

#include "app/MainCommands.h"
#include "app/MainDrag.h"
#include "app/MainList.h"
#include "app/MainOptions.h"
#include "app/MainPaste.h"
#include "app/MainState.h"
#include "app/MainView.h"
#include "editor/Sub.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tobrix {

class Clipboard;
class Collation;
class Desktop;
class Files;
class Help;
class ItemDataList;
class Messages;
class Registry;
class Shell;
class Sound;
class TfrmAbout;
class TfrmInport;
class TextCodec;
class TfrmExport;
struct TSettings;

// The services the main window uses.
struct MainServices {
    Registry& registry;
    Files& files;
    Messages& messages;
    Sound& sound;
    Desktop& desktop;
    Shell& shell;
    const Collation& collation;
    Clipboard& clipboard;
    Help& help;
    const TextCodec& codec;
};

class TfrmMain final : public SubHost {
public:
    // exePath: full path of the running executable.
    TfrmMain(MainView& view, const MainServices& services, ItemDataList& items, TSettings& settings,
             FilePath exePath);

    // Runs once while the window is created, before it is shown: settings, check marks,
    // geometry, column widths, then the data file.
    void FormCreate();
    void FormShow();
    // Runs once when the window is destroyed: geometry and column widths into the settings,
    // settings saved, data file written when the entries changed.
    void FormDestroy();
    void mnuExitClick();
    void mnuInportClick();
    // Writes every entry to a delimited text file through the export dialog.
    void mnuExportClick();

    // A command or menu item was chosen (menu, context menu, toolbar, shortcut key): its
    // handler runs when it is enabled.
    void Execute(CommandId id);
    // Whether the command or menu item is enabled now. The File menu asks as it opens: its
    // export item is enabled exactly when the list has a row.
    bool Update(CommandId id) const;
    // The check mark of a command whose mark follows the window's state; nothing for the
    // others, whose marks are set as they switch.
    std::optional<bool> Checked(CommandId id) const;

    // The user's session is ending: the process may be ended without FormDestroy, so
    // everything is saved now as at a normal exit.
    void SessionEnding();

    // The general error display, for the view's event boundaries too.
    void ShowError(std::string_view message);

    MainList& List() { return list_; }
    MainCommands& Commands() { return commands_; }
    MainOptions& Options() { return options_; }
    MainPaste& Paste() { return paste_; }
    MainDrag& Drag() { return drag_; }
    const MainState& State() const { return state_; }
    MainState& State() { return state_; }

    // SubHost: the editor's changes of the entries.
    void RefreshList(int index) override { list_.RefreshList(index); }
    void SetModified() override { state_.SetModified(); }

    // Where the entries are written when the data file existed at start but could not be
    // read: that file is never overwritten.
    static FilePath RecoveryFileName(const FilePath& dataFileName, int attempt);

private:
    void SaveState();
    void SaveEntries();

    MainView& view_;
    MainServices services_;
    ItemDataList& items_;
    TSettings& settings_;
    FilePath exePath_;
    MainState state_;
    MainList list_;
    MainCommands commands_;
    MainOptions options_;
    MainPaste paste_;
    MainDrag drag_;
    bool dataFileUnreadable_ = false;
};

} // namespace tobrix
