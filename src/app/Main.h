#pragma once
// The main window's presenter: start-up state, shutdown, and the parts it owns.

#include "app/MainClipboardClear.h"
#include "app/MainCommands.h"
#include "app/MainDrag.h"
#include "app/MainList.h"
#include "app/MainOptions.h"
#include "app/MainPaste.h"
#include "app/MainState.h"
#include "app/MainView.h"
#include "editor/Sub.h"
#include "store/DataFile.h"
#include "store/Protected.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tobrix {

class BrowserAddressReader;
class Clipboard;
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
    const MainState& State() const { return state_; }
    MainState& State() { return state_; }

    // SubHost: the editor's changes of the entries.
    void RefreshList(int index) override { list_.RefreshList(index); }
    void SetModified() override { state_.SetModified(); }

    // The names a recovery file takes, in the folder of `dataFileName` (attempt 1, 2, ...:
    // "Tobrix.recovered.DAT", "Tobrix.recovered-2.DAT", ...). Recovery files hold every
    // entry when the data file cannot take them: it could not be written, or it existed at
    // start but could not be read (it is then never overwritten).
    static FilePath RecoveryFileName(const FilePath& dataFileName, int attempt);

private:
    enum class Outcome { Saved, Recovered, Lost };
    struct ExitSave {
        Outcome outcome = Outcome::Saved;
        std::string failure; // what went wrong with the data file
        FilePath recovery;   // where the entries went instead
    };
    // Saves changed entries at the end of the window's life, without showing anything.
    ExitSave SaveEntriesAtExit();
    // Writes every entry into a new recovery file beside the data file, or where that fails,
    // in the user's local application data. Its path, or nothing when none could be written.
    std::optional<FilePath> WriteRecoveryFile();
    // The newest recovery file newer than the data file, once: later starts keep quiet about it.
    void AnnounceRecoveryFile();
    // Reads the entries of the data file at start; false when the program is to end.
    bool LoadEntries();
    // A protected data file: its password asked, its entries taken. False when the program is
    // to end.
    bool OpenProtected(std::string& file);
    // The data file cannot be read: the user may start with an empty list (the file is then
    // never written). False when the program is to end.
    bool StartWithoutDamagedFile();
    // How this session's entries are written: with the master key, or scrambled.
    DataFormat Format() { return {&services_.crypto, masterKey_ ? &*masterKey_ : nullptr}; }
    void SaveWindowSettings();

    MainView& view_;
    MainServices services_;
    ItemDataList& items_;
    TSettings& settings_;
    FilePath exePath_;
    MainState state_;
    MainList list_;
    MainClipboardClear clipboardClear_;
    MainCommands commands_;
    MainOptions options_;
    MainPaste paste_;
    MainDrag drag_;
    bool dataFileUnreadable_ = false;
    // The master password's keys while one is set.
    std::optional<MasterKey> masterKey_;
    // Nothing of this run is written: while the start asks for the data file's password (the
    // session may end meanwhile), and once the start was given up.
    bool keepNothing_ = false;
};

} // namespace tobrix
