#include "app/Main.h"

#include "common/Error.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "store/Data.h"
#include "store/DataFile.h"
#include "store/ItemDataList.h"
#include "transfer/Inport.h"
#include "transfer/Export.h"

#include <exception>
#include <utility>

namespace tobrix {

namespace {

constexpr std::string_view kMsgNotOverwritten =
    sjis<u8"データファイル %s は起動時に読み込めなかったため、上書きしませんでした。"
         u8"\r\n今回の項目は %s に保存しました。">();

// Recovery files are never overwritten: each save looks for a free name, this many at most.
constexpr int kMaxRecoveryAttempts = 10000;

} // namespace

TfrmMain::TfrmMain(MainView& view, const MainServices& services, ItemDataList& items, TSettings& settings,
                   FilePath exePath)
    : view_(view), services_(services), items_(items), settings_(settings), exePath_(std::move(exePath)),
      list_(view.List(), items, settings, state_, services.collation),
      commands_(CommandContext{view, list_, items, state_, *this, services.sound, services.messages, services.desktop,
                               services.shell, services.clipboard}),
      options_(view, list_, settings, services.help, exePath_),
      paste_(view, view.List(), items, state_, services.clipboard), drag_(view, view.List(), items, state_, list_) {}

void TfrmMain::ShowError(std::string_view message) { services_.messages.ShowError(ErrorDisplayText(message)); }

FilePath TfrmMain::RecoveryFileName(const FilePath& dataFileName, int attempt) {
    const std::string suffix = attempt <= 1 ? ".recovered.DAT" : ".recovered-" + std::to_string(attempt) + ".DAT";
    return ChangeFileExt(dataFileName, suffix);
}

void TfrmMain::FormCreate() {
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

    if (settings_.Left != 0 && settings_.Top != 0 && settings_.Width != 0 && settings_.Height != 0)
        view_.SetBounds({settings_.Left, settings_.Top, settings_.Width, settings_.Height});
    for (int i = 0; i < kColumnCount; ++i)
        view_.SetColumnWidth(i, settings_.ColWidth[i]);

    state_.DataFileName = ChangeFileExt(exePath_, ".DAT");
    state_.Modified = false;
    state_.UnsavedChanges = false;
    try {
        if (services_.files.Exists(state_.DataFileName)) {
            try {
                LoadDataFile(services_.files, state_.DataFileName, settings_.HidePass, items_);
            } catch (...) {
                dataFileUnreadable_ = true;
                throw;
            }
            if (items_.Count() > 0)
                list_.RefreshList(0);
        }
    } catch (const std::exception& e) {
        ShowError(MessageOf(e));
    }
}

void TfrmMain::FormShow() {
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

void TfrmMain::Execute(CommandId id) {
    if (!Update(id))
        return;
    switch (id) {
    case CommandId::mnuExit: mnuExitClick(); break;
    case CommandId::actTopLock: options_.actTopLockExecute(); break;
    case CommandId::mnuShard: options_.mnuShardClick(); break;
    case CommandId::mnuHide: options_.mnuHideClick(); break;
    case CommandId::mnuContents: options_.mnuContentsClick(); break;
    case CommandId::mnuSearchforHelp: options_.mnuSearchforHelpClick(); break;
    case CommandId::actAutoPaste: paste_.actAutoPasteExecute(); break;
    case CommandId::mnuInport: mnuInportClick(); break;
    case CommandId::mnuExport: mnuExportClick(); break;
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
        list_.RefreshList(firstNew);
    }
}

bool TfrmMain::Update(CommandId id) const {
    if (id == CommandId::mnuExport)
        return items_.Count() > 0;
    return commands_.Update(id);
}

std::optional<bool> TfrmMain::Checked(CommandId id) const {
    if (id == CommandId::actAutoPaste)
        return paste_.actAutoPasteChecked();
    return std::nullopt;
}

void TfrmMain::FormDestroy() {
    state_.Destroying = true;
    SaveState();
}

void TfrmMain::SessionEnding() { SaveState(); }

void TfrmMain::SaveState() {
    // Each half reports its own failure; a settings failure must not cost the entries.
    try {
        const WindowBounds bounds = view_.Bounds();
        settings_.Left = bounds.Left;
        settings_.Top = bounds.Top;
        settings_.Width = bounds.Width;
        settings_.Height = bounds.Height;
        for (int i = 0; i < kColumnCount; ++i)
            settings_.ColWidth[i] = view_.ColumnWidth(i);
        SaveSettings(services_.registry, settings_);
    } catch (const std::exception& e) {
        ShowError(MessageOf(e));
    }
    if (state_.Modified && state_.UnsavedChanges) {
        try {
            SaveEntries();
            state_.UnsavedChanges = false;
        } catch (const std::exception& e) {
            ShowError(MessageOf(e));
        }
    }
}

void TfrmMain::SaveEntries() {
    if (!dataFileUnreadable_) {
        SaveDataFile(services_.files, state_.DataFileName, items_);
        return;
    }
    // The data file may still hold entries that were never read; keep it and write this
    // session's entries beside it, into a file that did not exist before.
    for (int attempt = 1; attempt <= kMaxRecoveryAttempts; ++attempt) {
        const FilePath target = RecoveryFileName(state_.DataFileName, attempt);
        if (!SaveNewDataFile(services_.files, target, items_))
            continue;
        dataFileUnreadable_ = false; // later saves of this run go to the same file
        const FilePath unread = std::exchange(state_.DataFileName, target);
        services_.messages.ShowWarning(Substitute(
            kMsgNotOverwritten, {services_.files.DisplayName(unread), services_.files.DisplayName(target)}));
        return;
    }
    throw AppError(Substitute(kMsgCannotCreate, services_.files.DisplayName(RecoveryFileName(state_.DataFileName, 1))));
}

} // namespace tobrix
