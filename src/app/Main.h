#pragma once
// The main window's presenter: start-up state, shutdown, and the parts it owns.

#include "app/MainCommands.h"
#include "app/MainDrag.h"
#include "app/MainList.h"
#include "app/MainOptions.h"
#include "app/MainPaste.h"
#include "app/MainState.h"
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

struct WindowBounds {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool operator==(const WindowBounds&) const = default;
};

// The main window's timers. Each ticks every 100 ms while enabled.
enum class MainTimer {
    timDrag,      // auto-scroll while a row is dragged
    PasteRenewal, // the pause before a continuous paste offers the next field
};

// What TfrmMain needs of its window.
class MainView {
public:
    virtual ~MainView() = default;
    virtual ListControl& List() = 0;
    // The check mark of a checkable command or menu item, wherever it is shown.
    virtual void SetChecked(CommandId id, bool checked) = 0;
    // Keeps the window above all ordinary windows, or not.
    virtual void SetTopMost(bool topMost) = 0;
    // The window's placement; while minimised, the placement it returns to.
    virtual WindowBounds Bounds() const = 0;
    virtual void SetBounds(const WindowBounds& bounds) = 0;
    virtual int ColumnWidth(int column) const = 0;
    virtual void SetColumnWidth(int column, int width) = 0;
    // Height in pixels of the text drawn in the list's font.
    virtual int ListTextHeight(std::string_view text) const = 0;
    // Height of the caption bar with the upper and lower frame: a window rolled up by the
    // shade is this high.
    virtual int CaptionStripHeight() const = 0;
    virtual void Close() = 0;
    virtual void SetTimer(MainTimer timer, bool enabled) = 0;
    // Posts the continuous paste's renewal message to the window itself.
    virtual void PostPasteStep() = 0;
    // Shows the dialog for the presenter modally, the main window as its owner.
    virtual void RunSubDialog(TfrmSub& sub) = 0;
    virtual void RunAboutDialog(TfrmAbout& about) = 0;
    virtual void RunInportDialog(TfrmInport& inport) = 0;
    virtual void RunExportDialog(TfrmExport& exporter) = 0;
};

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
