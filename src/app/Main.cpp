#include "app/Main.h"

#include "app/PasswordAudit.h"
#include "common/Identity.h"
#include "common/Error.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "transfer/Inport.h"
#include "transfer/Export.h"
#include "transfer/PasswordCsv.h"
#include "transfer/PasswordCsvExport.h"

#include <exception>
#include <utility>

namespace tobrix {

namespace {

// Shown by Windows beside the program while it holds the end of the session.
constexpr std::string_view kShutdownReason =
    sjis<u8"%s の項目を保存できていません。データファイルにも退避ファイルにも書き込めませんでした。">();

// At most this long after a change, and not more often, the entries go to the session file.
constexpr int kAutosaveMilliseconds = 2000;

} // namespace

TfrmMain::TfrmMain(MainView& view, const MainServices& services, ItemDataList& items, TSettings& settings,
                   FilePath exePath)
    : view_(view), services_(services), items_(items), settings_(settings), exePath_(std::move(exePath)),
      session_(services.files, services.messages, services.crypto, view, items, settings, state_, exePath_),
      list_(view.List(), view.Search(), items, settings, state_, services.collation), undo_(items, list_, state_),
      clipboardClear_(view, settings, services.clipboard),
      commands_(CommandContext{view, list_, items, state_, *this, services.sound, services.messages, services.desktop,
                               services.shell, services.clipboard, clipboardClear_, services.browserAddress, undo_}),
      options_(view, list_, settings, services.help, services.files, services.messages, exePath_),
      paste_(view, list_, items, state_, services.clipboard), drag_(view, view.List(), items, state_, list_, undo_),
      lock_(view, services.clock, services.messages, settings, session_, items, state_, list_, paste_,
            clipboardClear_, undo_) {
    list_.SetHistory(&undo_);
    state_.Changed = [this] { EntriesChanged(); };
}

void TfrmMain::EntriesChanged() {
    if (autosavePending_)
        return; // this change goes with the one that started the pause
    autosavePending_ = true;
    view_.StartTimer(MainTimer::Autosave, kAutosaveMilliseconds);
}

void TfrmMain::timAutosaveTimer() {
    view_.SetTimer(MainTimer::Autosave, false);
    autosavePending_ = false;
    session_.Autosave();
}

void TfrmMain::ShowError(std::string_view message) { services_.messages.ShowError(ErrorDisplayText(message)); }

bool TfrmMain::FormCreate() {
    state_.SelIndex = -1;
    state_.PasteStep = 0;
    list_.ResetSortOrder();
    // The list shows no drag image: the view never turns one on.

    // A settings failure is reported but does not stop the start: the entries must still be
    // read, or a later save would replace the data file with an empty list.
    try {
        LoadSettings(services_.registry, settings_);
    } catch (const std::exception& e) {
        ShowError(MessageOf(e));
    }

    options_.Restore();
    clipboardClear_.Restore();

    if (settings_.Left != 0 && settings_.Top != 0 && settings_.Width != 0 && settings_.Height != 0)
        view_.SetBounds({settings_.Left, settings_.Top, settings_.Width, settings_.Height});
    for (int i = 0; i < kColumnCount; ++i)
        view_.SetColumnWidth(i, settings_.ColWidth[i]);

    if (!session_.Open())
        return false;
    session_.OfferRecoveryFiles();
    list_.RefreshList(0); // an empty list shows where to begin
    lock_.Start();
    return true;
}

void TfrmMain::FormShow() { ListFontChanged(); }

void TfrmMain::ListFontChanged() {
    try {
        state_.LineHeight = view_.ListTextHeight("Wg");
    } catch (const std::exception& e) {
        ShowError(MessageOf(e));
    }
}

void TfrmMain::mnuExitClick() { view_.Close(); }

void TfrmMain::mnuExportClick() {
    TfrmExport exporter(items_, settings_, services_.files, services_.messages, services_.sound);
    view_.RunExportDialog(exporter);
}

void TfrmMain::mnuPasswordCsvExportClick() {
    PasswordCsvExport exporter(items_, session_, services_.files, services_.messages, services_.codec,
                               view_.CsvExportView());
    exporter.Run();
}

void TfrmMain::Execute(CommandId id) {
    if (!Update(id))
        return;
    switch (id) {
    case CommandId::mnuExit: mnuExitClick(); break;
    case CommandId::actTopLock: options_.actTopLockExecute(); break;
    case CommandId::mnuShard: options_.mnuShardClick(); break;
    case CommandId::mnuHide: options_.mnuHideClick(); break;
    case CommandId::mnuClearClipboard: clipboardClear_.mnuClearClipboardClick(); break;
    case CommandId::mnuContents: options_.mnuContentsClick(); break;
    case CommandId::mnuSearchforHelp: options_.mnuSearchforHelpClick(); break;
    case CommandId::actAutoPaste: paste_.actAutoPasteExecute(); break;
    case CommandId::mnuInport: mnuInportClick(); break;
    case CommandId::mnuPasswordCsvImport: mnuPasswordCsvImportClick(); break;
    case CommandId::mnuExport: mnuExportClick(); break;
    case CommandId::mnuPasswordCsvExport: mnuPasswordCsvExportClick(); break;
    case CommandId::mnuMasterPassword: mnuMasterPasswordClick(); break;
    case CommandId::mnuPasswordAudit: mnuPasswordAuditClick(); break;
    case CommandId::actMoveUp: drag_.MoveSelectedExecute(-1); break;
    case CommandId::actMoveDown: drag_.MoveSelectedExecute(+1); break;
    case CommandId::actFind: view_.Search().Focus(); break;
    case CommandId::mnuLock: lock_.mnuLockClick(); break;
    case CommandId::actUndo: undo_.Undo(); break;
    case CommandId::actRedo: undo_.Redo(); break;
    default: commands_.Execute(id); break;
    }
}

void TfrmMain::mnuInportClick() {
    const int firstNew = items_.Count();
    TfrmInport inport(items_, settings_, services_.files, services_.messages, services_.codec);
    inport.FormCreate();
    view_.RunInportDialog(inport);
    if (inport.Imported && items_.Count() > 0) {
        state_.SetModified();
        undo_.Added(firstNew, items_.Count() - firstNew);
        list_.ClearFilter(); // the entries taken over are shown among all
        list_.RefreshList(firstNew);
    }
}

void TfrmMain::mnuPasswordCsvImportClick() {
    const int firstNew = items_.Count();
    const std::optional<FilePath> read = ImportPasswordCsv(view_, items_, settings_.HidePass, services_.files,
                                                           services_.messages, services_.codec);
    if (!read)
        return;
    state_.SetModified();
    undo_.Added(firstNew, items_.Count() - firstNew);
    list_.ClearFilter();
    list_.RefreshList(firstNew);
    OfferToDeleteImported(*read, services_.files, services_.messages);
}

void TfrmMain::mnuPasswordAuditClick() {
    TfrmPasswordAudit audit(items_);
    view_.RunPasswordAuditDialog(audit);
    if (audit.Chosen)
        List().RefreshList(*audit.Chosen);
}

void TfrmMain::mnuMasterPasswordClick() {
    const int count = items_.Count();
    session_.ChangeMasterPassword();
    ShowTakenIn(count); // the data file had changed on the disk, and its entries were taken in
    lock_.SettingsChanged();
}

bool TfrmMain::Update(CommandId id) const {
    if (lock_.Locked()) {
        // Nothing of the entries: the way back in, the way out, help and the window's options.
        switch (id) {
        case CommandId::mnuLock:
        case CommandId::mnuExit:
        case CommandId::mnuContents:
        case CommandId::mnuSearchforHelp:
        case CommandId::actAbout:
        case CommandId::actTopLock:
        case CommandId::mnuShard: return true;
        default: return false;
        }
    }
    if (id == CommandId::mnuLock)
        return lock_.mnuLockUpdate();
    if (id == CommandId::mnuExport || id == CommandId::mnuPasswordCsvExport)
        return items_.Count() > 0;
    if (id == CommandId::actUndo || id == CommandId::actRedo) {
        // Not under a drag or a dialog: the list they hold on to would change under them.
        if (drag_.Dragging() || lock_.DialogOpen())
            return false;
        return id == CommandId::actUndo ? undo_.CanUndo() : undo_.CanRedo();
    }
    if (id == CommandId::actMoveUp || id == CommandId::actMoveDown)
        return drag_.MoveSelectedUpdate(id == CommandId::actMoveUp ? -1 : +1);
    return commands_.Update(id);
}

std::optional<bool> TfrmMain::Checked(CommandId id) const {
    if (id == CommandId::actAutoPaste)
        return paste_.actAutoPasteChecked();
    return std::nullopt;
}

bool TfrmMain::FormCloseQuery() {
    // Locked: the lock saved the entries, and the list is empty.
    if (lock_.Locked())
        return true;
    const int count = items_.Count();
    const bool closes = session_.CloseQuery();
    if (!closes)
        ShowTakenIn(count); // entries of the changed data file, and the window stays open after all
    return closes;
}

void TfrmMain::FormDestroy() {
    state_.Destroying = true;
    options_.CloseHelp();
    clipboardClear_.ClearNow();
    if (session_.KeepsNothing())
        return;
    try {
        SaveWindowSettings();
    } catch (const std::exception& e) {
        ShowError(MessageOf(e));
    }
}

bool TfrmMain::QueryEndSession() {
    if (!session_.SaveForEndOfSession()) {
        view_.BlockShutdown(Substitute(kShutdownReason, kAppTitle));
        return false;
    }
    view_.AllowShutdown();
    return true;
}

void TfrmMain::SessionEnding() {
    clipboardClear_.ClearNow();
    if (session_.KeepsNothing())
        return;
    // Nothing can be shown any more: what fails now stays as it is.
    try {
        SaveWindowSettings();
    } catch (const std::exception&) {
    }
    session_.SaveForEndOfSession();
}

void TfrmMain::ShowTakenIn(int firstNew) {
    if (items_.Count() == firstNew)
        return;
    undo_.Clear(); // its steps speak of the list as it was
    list_.ClearFilter();
    list_.RefreshList(firstNew);
}

void TfrmMain::SaveWindowSettings() {
    const WindowBounds bounds = view_.Bounds();
    settings_.Left = bounds.Left;
    settings_.Top = bounds.Top;
    settings_.Width = bounds.Width;
    settings_.Height = bounds.Height;
    for (int i = 0; i < kColumnCount; ++i)
        settings_.ColWidth[i] = view_.ColumnWidth(i);
    SaveSettings(services_.registry, settings_);
}

} // namespace tobrix
