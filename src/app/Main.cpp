#include "app/Main.h"

#include "app/Identity.h"
#include "app/MasterPassword.h"
#include "common/Error.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "store/Data.h"
#include "store/DataFile.h"
#include "store/ItemDataList.h"
#include "transfer/Inport.h"
#include "transfer/Export.h"
#include "transfer/PasswordCsv.h"
#include "transfer/PasswordCsvExport.h"

#include <exception>
#include <utility>
#include <vector>

namespace tobrix {

namespace {

// What went wrong with the data file at exit.
constexpr std::string_view kMsgSaveFailed = sjis<u8"データファイル %s を保存できませんでした（%s）。">();
constexpr std::string_view kMsgNotOverwritten =
    sjis<u8"データファイル %s は起動時に読み込めなかったため、上書きしませんでした。">();
// Where the entries went instead, and what to do with that file.
constexpr std::string_view kMsgRecovered = sjis<u8"%s\r\nすべての項目を %s に保存しました。\r\n%s">();
constexpr std::string_view kMsgRecoveryFound =
    sjis<u8"データファイルより新しい退避ファイル %s があります。"
         u8"\r\nデータファイルに保存できなかった項目が入っています。\r\n%s">();
constexpr std::string_view kRecoveryAdvice =
    sjis<u8"このファイルにはすべてのパスワードが、データファイルと同じ簡単なスクランブルをかけただけで入っています。"
         u8"\r\n%s を終了してから、このファイルでデータファイルを置き換えるか、削除してください。">();
constexpr std::string_view kRecoveryAdviceProtected =
    sjis<u8"このファイルにはすべての項目が、マスターパスワードで暗号化されて入っています。"
         u8"\r\n%s を終了してから、このファイルでデータファイルを置き換えるか、削除してください。">();
constexpr std::string_view kMsgCloseWithoutSaving =
    sjis<u8"%s\r\n項目を退避するファイルも作成できませんでした。\r\n\r\n保存せずに終了しますか？"
         u8"\r\n（「いいえ」を選ぶと、ウィンドウは開いたままになります）">();
// Shown by Windows beside the program while it holds the end of the session.
constexpr std::string_view kShutdownReason =
    sjis<u8"%s の項目を保存できていません。データファイルにも退避ファイルにも書き込めませんでした。">();

// A protected data file that cannot be used at start.
constexpr std::string_view kMsgProtectedHeld =
    sjis<u8"データファイル %s はマスターパスワードで保護されていますが、ほかのプログラムが使用中のため読み込めません。"
         u8"\r\n%s を終了します。">();
constexpr std::string_view kMsgNewerFile =
    sjis<u8"データファイル %s は、より新しいバージョンの %s で作成されたため読み込めません。\r\n%s を終了します。">();
constexpr std::string_view kMsgDamagedFile =
    sjis<u8"データファイル %s は壊れているため、読み込めません。\r\n\r\n空の一覧で始めますか？"
         u8"\r\n（データファイルは上書きしません。これから入力する項目は、終了時に退避ファイルに保存します。"
         u8"「いいえ」を選ぶと終了します）">();
// The master password's setting.
constexpr std::string_view kMsgPasswordSet =
    sjis<u8"マスターパスワードを設定しました。データファイルを暗号化して保存しました。">();
constexpr std::string_view kMsgPasswordRemoved =
    sjis<u8"マスターパスワードを解除しました。データファイルを簡単なスクランブルをかけただけの形で保存しました。">();
constexpr std::string_view kMsgPasswordNotSaved =
    sjis<u8"データファイル %s を保存できなかったため、マスターパスワードは変更していません（%s）。">();
constexpr std::string_view kMsgPasswordForRecovery =
    sjis<u8"データファイル %s は起動時に読み込めなかったため、上書きしません。"
         u8"\r\nこれからの項目は、終了時に退避ファイルに%sて保存します。">();
constexpr std::string_view kRecoveryEncrypted = sjis<u8"マスターパスワードで暗号化し">();
constexpr std::string_view kRecoveryScrambled = sjis<u8"簡単なスクランブルをかけ">();

// Recovery files are never overwritten: each save looks for a free name, this many at most.
constexpr int kMaxRecoveryAttempts = 10000;

} // namespace

TfrmMain::TfrmMain(MainView& view, const MainServices& services, ItemDataList& items, TSettings& settings,
                   FilePath exePath)
    : view_(view), services_(services), items_(items), settings_(settings), exePath_(std::move(exePath)),
      list_(view.List(), items, settings, state_, services.collation),
      clipboardClear_(view, settings, services.clipboard),
      commands_(CommandContext{view, list_, items, state_, *this, services.sound, services.messages, services.desktop,
                               services.shell, services.clipboard, clipboardClear_, services.browserAddress}),
      options_(view, list_, settings, services.help, services.files, services.messages, exePath_),
      paste_(view, view.List(), items, state_, services.clipboard), drag_(view, view.List(), items, state_, list_) {}

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

    state_.DataFileName = ChangeFileExt(exePath_, ".DAT");
    state_.Modified = false;
    state_.UnsavedChanges = false;
    if (!LoadEntries()) {
        keepNothing_ = true;
        return false;
    }
    if (items_.Count() > 0)
        list_.RefreshList(0);
    AnnounceRecoveryFile();
    return true;
}

bool TfrmMain::LoadEntries() {
    Files& files = services_.files;
    std::string file;
    try {
        if (!files.Exists(state_.DataFileName))
            return true;
        file = ReadDataFile(files, state_.DataFileName);
    } catch (const std::exception& e) {
        // Held by another program. A protected one would only be kept scrambled in a recovery
        // file at the end of such a session: better to end now.
        if (PeekProtected(files, state_.DataFileName)) {
            ShowError(Substitute(kMsgProtectedHeld, {files.DisplayName(state_.DataFileName), kAppTitle}));
            return false;
        }
        dataFileUnreadable_ = true;
        ShowError(MessageOf(e));
        return true;
    }
    if (IsProtectedFile(file)) {
        // Whatever fails on the way ends the start: the file is never overwritten by a list
        // that lacks its entries.
        bool opened = false;
        try {
            opened = OpenProtected(file);
        } catch (const std::exception& e) {
            ShowError(MessageOf(e));
        }
        Wipe(file);
        return opened;
    }
    try {
        ParseScrambled(file, settings_.HidePass, items_);
    } catch (const std::exception& e) {
        dataFileUnreadable_ = true;
        ShowError(MessageOf(e));
    }
    Wipe(file);
    return true;
}

bool TfrmMain::OpenProtected(std::string& file) {
    ProtectedHeader header;
    switch (ParseProtectedHeader(file, header)) {
    case HeaderStatus::Ok: break;
    case HeaderStatus::Damaged: return StartWithoutDamagedFile();
    case HeaderStatus::Newer:
        ShowError(Substitute(kMsgNewerFile, {services_.files.DisplayName(state_.DataFileName), kAppTitle, kAppTitle}));
        return false;
    }
    TfrmPassword prompt(services_.crypto, services_.messages, file);
    keepNothing_ = true;
    view_.RunPasswordDialog(prompt);
    keepNothing_ = false;
    switch (prompt.Outcome) {
    case TfrmPassword::Result::Cancelled: return false;
    case TfrmPassword::Result::Damaged: return StartWithoutDamagedFile();
    case TfrmPassword::Result::Opened: break;
    }
    masterKey_ = std::move(prompt.Key);
    try {
        ParseDataText(prompt.Text, settings_.HidePass, items_);
    } catch (...) {
        Wipe(prompt.Text);
        throw;
    }
    Wipe(prompt.Text);
    return true;
}

bool TfrmMain::StartWithoutDamagedFile() {
    if (!services_.messages.AskWarning(
            Substitute(kMsgDamagedFile, services_.files.DisplayName(state_.DataFileName))))
        return false;
    dataFileUnreadable_ = true;
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
    PasswordCsvExport exporter(items_, masterKey_ ? &*masterKey_ : nullptr, services_.crypto, services_.files,
                               services_.messages, services_.codec, view_.CsvExportView());
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
    case CommandId::actMoveUp: drag_.MoveSelectedExecute(-1); break;
    case CommandId::actMoveDown: drag_.MoveSelectedExecute(+1); break;
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

void TfrmMain::mnuPasswordCsvImportClick() {
    const int firstNew = items_.Count();
    const std::optional<FilePath> read = ImportPasswordCsv(view_, items_, settings_.HidePass, services_.files,
                                                           services_.messages, services_.codec);
    if (!read)
        return;
    state_.SetModified();
    list_.RefreshList(firstNew);
    OfferToDeleteImported(*read, services_.files, services_.messages);
}

void TfrmMain::mnuMasterPasswordClick() {
    TfrmMasterPassword dialog(services_.crypto, services_.messages, masterKey_ ? &*masterKey_ : nullptr);
    view_.RunMasterPasswordDialog(dialog);
    if (dialog.Outcome == TfrmMasterPassword::Result::Cancelled)
        return;
    std::optional<MasterKey> key = std::move(dialog.NewKey);
    Files& files = services_.files;
    if (dataFileUnreadable_) {
        // The data file stays as it is; the key is for the recovery file.
        masterKey_ = std::move(key);
        services_.messages.ShowInformation(
            Substitute(kMsgPasswordForRecovery, {files.DisplayName(state_.DataFileName),
                                                 masterKey_ ? kRecoveryEncrypted : kRecoveryScrambled}));
        return;
    }
    // Written again at once, so that no copy in the old form is left behind (the old file is
    // replaced in one step, as at any save).
    try {
        SaveDataFile(files, state_.DataFileName, items_, DataFormat{&services_.crypto, key ? &*key : nullptr});
    } catch (const std::exception& e) {
        ShowError(Substitute(kMsgPasswordNotSaved, {files.DisplayName(state_.DataFileName), MessageOf(e)}));
        return;
    }
    masterKey_ = std::move(key);
    state_.UnsavedChanges = false;
    services_.messages.ShowInformation(masterKey_ ? kMsgPasswordSet : kMsgPasswordRemoved);
}

bool TfrmMain::Update(CommandId id) const {
    if (id == CommandId::mnuExport || id == CommandId::mnuPasswordCsvExport)
        return items_.Count() > 0;
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
    const ExitSave saved = SaveEntriesAtExit();
    switch (saved.outcome) {
    case Outcome::Saved: break;
    case Outcome::Recovered:
        services_.messages.ShowWarning(
            Substitute(kMsgRecovered,
                       {saved.failure, services_.files.DisplayName(saved.recovery),
                        Substitute(masterKey_ ? kRecoveryAdviceProtected : kRecoveryAdvice, kAppTitle)}));
        // Told now: the next start need not tell again.
        settings_.RecoveryShown = services_.files.LastWriteTime(saved.recovery).value_or(settings_.RecoveryShown);
        break;
    case Outcome::Lost: return services_.messages.AskWarning(Substitute(kMsgCloseWithoutSaving, saved.failure));
    }
    return true;
}

void TfrmMain::FormDestroy() {
    state_.Destroying = true;
    options_.CloseHelp();
    clipboardClear_.ClearNow();
    if (keepNothing_)
        return;
    try {
        SaveWindowSettings();
    } catch (const std::exception& e) {
        ShowError(MessageOf(e));
    }
}

bool TfrmMain::QueryEndSession() {
    if (keepNothing_)
        return true;
    if (SaveEntriesAtExit().outcome == Outcome::Lost) {
        view_.BlockShutdown(Substitute(kShutdownReason, kAppTitle));
        return false;
    }
    view_.AllowShutdown();
    return true;
}

void TfrmMain::SessionEnding() {
    clipboardClear_.ClearNow();
    if (keepNothing_)
        return;
    // Nothing can be shown any more: what fails now stays as it is.
    try {
        SaveWindowSettings();
    } catch (const std::exception&) {
    }
    SaveEntriesAtExit();
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

TfrmMain::ExitSave TfrmMain::SaveEntriesAtExit() {
    if (!state_.Modified || !state_.UnsavedChanges)
        return {};
    ExitSave result;
    Files& files = services_.files;
    if (dataFileUnreadable_) {
        // The data file may still hold entries that were never read: it is kept as it is.
        result.failure = Substitute(kMsgNotOverwritten, files.DisplayName(state_.DataFileName));
    } else {
        try {
            SaveDataFile(files, state_.DataFileName, items_, Format());
            state_.UnsavedChanges = false;
            return result;
        } catch (const std::exception& e) {
            result.failure = Substitute(kMsgSaveFailed, {files.DisplayName(state_.DataFileName), MessageOf(e)});
        }
    }
    std::optional<FilePath> recovery;
    try {
        recovery = WriteRecoveryFile();
    } catch (const std::exception&) {
        // Nowhere to put them: the caller asks the user, or holds the end of the session.
    }
    if (!recovery) {
        result.outcome = Outcome::Lost;
        return result;
    }
    state_.UnsavedChanges = false;
    if (dataFileUnreadable_) {
        dataFileUnreadable_ = false; // later saves of this run go to the same file
        state_.DataFileName = *recovery;
    }
    result.outcome = Outcome::Recovered;
    result.recovery = *recovery;
    return result;
}

FilePath TfrmMain::RecoveryFileName(const FilePath& dataFileName, int attempt) {
    const std::string suffix = attempt <= 1 ? ".recovered.DAT" : ".recovered-" + std::to_string(attempt) + ".DAT";
    return ChangeFileExt(dataFileName, suffix);
}

namespace {

// Where recovery files go, in order: beside the data file, then the user's own folder (which
// needs no rights in the program's folder and is seldom on the same full disk). Named after
// the program's data file, also when this run's entries already went to a recovery file.
std::vector<FilePath> RecoveryBases(Files& files, const FilePath& exePath) {
    const FilePath dataFileName = ChangeFileExt(exePath, ".DAT");
    std::vector<FilePath> bases{dataFileName};
    const FilePath local = files.LocalDataFolder();
    if (!local.empty())
        bases.push_back(local / dataFileName.filename());
    return bases;
}

} // namespace

std::optional<FilePath> TfrmMain::WriteRecoveryFile() {
    for (const FilePath& base : RecoveryBases(services_.files, exePath_)) {
        try {
            if (!services_.files.CreateFolder(base.parent_path())) // the user's own one on its first use
                continue;
            for (int attempt = 1; attempt <= kMaxRecoveryAttempts; ++attempt) {
                const FilePath target = RecoveryFileName(base, attempt);
                if (SaveNewDataFile(services_.files, target, items_, Format()))
                    return target;
            }
        } catch (const std::exception&) {
            // This folder takes no new file: the next one may.
        }
    }
    return std::nullopt;
}

void TfrmMain::AnnounceRecoveryFile() {
    Files& files = services_.files;
    // Names are taken in order, so the files in use are those up to the first free name.
    std::optional<std::int64_t> newest;
    FilePath found;
    const std::vector<FilePath> bases = RecoveryBases(files, exePath_);
    for (const FilePath& base : bases) {
        for (int attempt = 1; attempt <= kMaxRecoveryAttempts; ++attempt) {
            const FilePath candidate = RecoveryFileName(base, attempt);
            const std::optional<std::int64_t> time = files.LastWriteTime(candidate);
            if (!time)
                break;
            if (!newest || *time > *newest) {
                newest = time;
                found = candidate;
            }
        }
    }
    const std::int64_t dataTime = files.LastWriteTime(bases.front()).value_or(0);
    if (!newest || *newest <= dataTime || *newest <= settings_.RecoveryShown)
        return;
    const std::string_view advice = PeekProtected(files, found) ? kRecoveryAdviceProtected : kRecoveryAdvice;
    services_.messages.ShowWarning(
        Substitute(kMsgRecoveryFound, {files.DisplayName(found), Substitute(advice, kAppTitle)}));
    settings_.RecoveryShown = *newest;
}

} // namespace tobrix
