#pragma once
// The main window's presenter: start-up state, shutdown, and the parts it owns.

#include "app/MainClipboardClear.h"
#include "app/MainCommands.h"
#include "app/MainDrag.h"
#include "app/MainList.h"
#include "app/MainLock.h"
#include "app/MainOptions.h"
#include "app/MainPaste.h"
#include "app/MainState.h"
#include "app/MainUndo.h"
#include "app/MainView.h"
#include "editor/Sub.h"
#include "session/DataFileSession.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tobrix {

class BrowserAddressReader;
class Clipboard;
class Clock;
class Collation;
class Crypto;
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
    Crypto& crypto;
    BrowserAddressReader& browserAddress;
    const Clock& clock;
};

class TfrmMain final : public SubHost {
public:
    // exePath: full path of the running executable.
    TfrmMain(MainView& view, const MainServices& services, ItemDataList& items, TSettings& settings,
             FilePath exePath);

    // Runs once while the window is created, before it is shown: settings, check marks,
    // geometry, column widths, then the data file (a protected one asks for its password).
    // False when the program is to end without a window: the user declined to give the
    // password, or the data file cannot be used. Nothing is written then, not even the
    // settings.
    bool FormCreate();
    void FormShow();
    // The list's font changed (the window moved to a monitor of another DPI): the drag's
    // scroll step is measured again.
    void ListFontChanged();
    // The window is asked to close, before it is destroyed: changed entries are saved, into a
    // recovery file when the data file cannot take them (and the user is told where). False
    // when the window is to stay open: the entries could be saved nowhere, and the user chose
    // not to close without them.
    bool FormCloseQuery();
    // Runs once when the window is destroyed: a copied password still on the clipboard taken
    // off, geometry and column widths into the settings, settings saved. The entries were
    // saved when the window was asked to close.
    void FormDestroy();
    void mnuExitClick();
    void mnuInportClick();
    // Takes in a password list exported by a browser or another password keeper.
    void mnuPasswordCsvImportClick();
    // Writes every entry to a delimited text file through the export dialog.
    void mnuExportClick();
    void mnuPasswordCsvExportClick();
    // Sets, changes or removes the master password; the data file is written again at once in
    // its new form.
    void mnuMasterPasswordClick();
    // The report of empty, short and shared passwords; the entry chosen in it is selected.
    void mnuPasswordAuditClick();
    // A while after a change: the entries go to the session file, so that a crash loses only
    // the last moments.
    void timAutosaveTimer();

    // A command or menu item was chosen (menu, context menu, toolbar, shortcut key): its
    // handler runs when it is enabled.
    void Execute(CommandId id);
    // Whether the command or menu item is enabled now. The File menu asks as it opens: its
    // export item is enabled exactly when the list has a row.
    bool Update(CommandId id) const;
    // The check mark of a command whose mark follows the window's state; nothing for the
    // others, whose marks are set as they switch.
    std::optional<bool> Checked(CommandId id) const;

    // Windows asks whether the session may end. Nothing can be shown now: changed entries are
    // saved as at a close; when they could be saved nowhere, Windows is asked to wait, with a
    // reason, and the answer is false.
    bool QueryEndSession();
    // The session is ending: the process may be ended without FormDestroy, so a copied
    // password still on the clipboard is taken off and the settings are saved now, and the
    // entries again if they could be saved nowhere before.
    void SessionEnding();

    // The general error display, for the view's event boundaries too.
    void ShowError(std::string_view message);

    MainList& List() { return list_; }
    MainCommands& Commands() { return commands_; }
    MainOptions& Options() { return options_; }
    MainPaste& Paste() { return paste_; }
    MainClipboardClear& ClipboardClear() { return clipboardClear_; }
    MainDrag& Drag() { return drag_; }
    MainLock& Lock() { return lock_; }
    MainUndo& History() { return undo_; }
    const MainState& State() const { return state_; }
    MainState& State() { return state_; }

    // SubHost: the editor's changes of the entries.
    void RefreshList(int index) override { list_.RefreshList(index); }
    void SetModified() override { state_.SetModified(); }
    Crypto& GeneratorRandom() override { return services_.crypto; }
    TSettings& GeneratorSettings() override { return settings_; }
    DataFileSession& Session() { return session_; }

private:
    void SaveWindowSettings();
    // Entries the save took in from the changed data file, from `firstNew` on: shown among all,
    // the first selected. Nothing when none came.
    void ShowTakenIn(int firstNew);
    // Every change of the entries: the session file is written once the pause is over.
    void EntriesChanged();

    MainView& view_;
    MainServices services_;
    ItemDataList& items_;
    TSettings& settings_;
    FilePath exePath_;
    MainState state_;
    DataFileSession session_;
    MainList list_;
    MainUndo undo_;
    MainClipboardClear clipboardClear_;
    MainCommands commands_;
    MainOptions options_;
    MainPaste paste_;
    MainDrag drag_;
    MainLock lock_;
    bool autosavePending_ = false;
};

} // namespace tobrix
