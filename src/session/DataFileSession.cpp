#include "session/DataFileSession.h"

#include "common/Identity.h"
#include "common/Error.h"
#include "common/Secret.h"
#include "lock/MasterPassword.h"
#include "platform/Messages.h"
#include "store/Data.h"
#include "store/Encrypt.h"
#include "store/ItemDataList.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <utility>

namespace tobrix {

namespace {

// What went wrong with the data file at exit.
constexpr std::string_view kMsgSaveFailed = sjis<u8"データファイル %s を保存できませんでした（%s）。">();
constexpr std::string_view kMsgNotOverwritten =
    sjis<u8"データファイル %s は起動時に読み込めなかったため、上書きしませんでした。">();
// Where the entries went instead, and what to do with that file.
constexpr std::string_view kMsgRecovered = sjis<u8"%s\r\nすべての項目を %s に保存しました。\r\n%s">();
constexpr std::string_view kMsgRecoveryOffer =
    sjis<u8"データファイルより新しい退避ファイル %s があります。"
         u8"\r\nデータファイルに保存できなかった項目が %s 件入っています。"
         u8"\r\n\r\n「取り込む」: この一覧にない項目を、一覧の後ろに加えます。退避ファイルは、次にデータファイルを"
         u8"保存できたときに削除します。\r\n「あとで」: 今回は取り込みません。次回の起動時に、もう一度お尋ねします。">();
constexpr std::string_view kButtonTakeIn = sjis<u8"取り込む">();
constexpr std::string_view kButtonLater = sjis<u8"あとで">();
constexpr std::string_view kMsgNotOurRecovery =
    sjis<u8"ファイル %s は、%s の退避ファイルとして読み込めないため、取り込みません。"
         u8"\r\n（ほかのマスターパスワードで保存されたか、ほかのプログラムのファイルです。このファイルには手を加えていません）">();
// A run that did not end: its session file at the next start.
constexpr std::string_view kMsgRestoreSession =
    sjis<u8"前回、%s は正しく終了しませんでした。保存されていない変更を復元しますか？">();
constexpr std::string_view kButtonYes = sjis<u8"はい">();
constexpr std::string_view kButtonNo = sjis<u8"いいえ">();
constexpr std::string_view kMsgSessionKept =
    sjis<u8"前回の保存されていない変更は、退避ファイル %s に移しました。"
         u8"\r\n次回の起動時に、取り込むかどうかをお尋ねします。">();
constexpr std::string_view kMsgSessionNotOurs =
    sjis<u8"前回の保存されていない変更のファイル %s は、このマスターパスワードでは開けないか、壊れているため、"
         u8"読み込めませんでした。\r\n退避ファイル %s に移しました。">();
constexpr std::string_view kMsgSessionStuck =
    sjis<u8"前回の保存されていない変更のファイル %s を読み込むことも、移すこともできません。"
         u8"\r\nこのファイルは上書きしないため、今回の変更は終了時まで保存されません。">();
constexpr std::string_view kMsgAutosaveFailed =
    sjis<u8"変更を %s に書き込めません（%s）。\r\n変更は終了時にデータファイルに保存します。"
         u8"次に変更したときに、もう一度書き込みを試みます。">();
// The data file changed on the disk since this run read it.
constexpr std::string_view kMsgChangedOnDisk =
    sjis<u8"データファイル %s は、%s が読み込んだ後に、ほかのプログラムやほかのコンピューターによって変更されています。"
         u8"\r\n\r\n「統合して保存」: ディスク上のファイルにあって、この一覧にない項目を一覧の後ろに加えてから保存します。"
         u8"ここで削除した項目も、相手側に残っていれば戻ります。両方で変更された項目は、両方とも残ります。"
         u8"\r\n「上書き」: ディスク上のファイルを、この一覧で置き換えます。"
         u8"\r\n「キャンセル」: 何も保存しません。">();
constexpr std::string_view kButtonMerge = sjis<u8"統合して保存">();
constexpr std::string_view kButtonOverwrite = sjis<u8"上書き">();
constexpr std::string_view kButtonCancel = sjis<u8"キャンセル">();
constexpr std::string_view kMsgChangedNotOverwritten =
    sjis<u8"データファイル %s は、%s が読み込んだ後にほかのプログラムによって変更されていたため、上書きしませんでした。">();
constexpr std::string_view kMsgChangedOtherKey =
    sjis<u8"データファイル %s は、%s が読み込んだ後にほかのプログラムによって変更されていて、"
         u8"このマスターパスワードでは開けないため、上書きしませんでした。">();
constexpr std::string_view kRecoveryAdvice =
    sjis<u8"このファイルにはすべてのパスワードが、データファイルと同じ簡単なスクランブルをかけただけで入っています。"
         u8"\r\n%s を終了してから、このファイルでデータファイルを置き換えるか、削除してください。">();
constexpr std::string_view kRecoveryAdviceProtected =
    sjis<u8"このファイルにはすべての項目が、マスターパスワードで暗号化されて入っています。"
         u8"\r\n%s を終了してから、このファイルでデータファイルを置き換えるか、削除してください。">();
constexpr std::string_view kMsgCloseWithoutSaving =
    sjis<u8"%s\r\n項目を退避するファイルも作成できませんでした。\r\n\r\n保存せずに終了しますか？"
         u8"\r\n（「いいえ」を選ぶと、ウィンドウは開いたままになります）">();
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
// The password was right, but the text after the header is damaged: the proven key is kept.
constexpr std::string_view kMsgDamagedFileKeyed =
    sjis<u8"データファイル %s は壊れているため、読み込めません。\r\n\r\n空の一覧で始めますか？"
         u8"\r\n（データファイルは上書きしません。これから入力する項目は、終了時に退避ファイルに"
         u8"マスターパスワードで暗号化して保存します。「いいえ」を選ぶと終了します）">();
// A master password was in use, and the data file at start is not protected.
constexpr std::string_view kMsgNotProtected =
    sjis<u8"データファイル %s は、マスターパスワードで保護されていません。">();
constexpr std::string_view kMsgProtectedMissing =
    sjis<u8"マスターパスワードで保護されていたデータファイル %s がありません。">();
constexpr std::string_view kMsgGoOnUnprotected =
    sjis<u8"%s\r\nバックアップや同期などで、古いファイルに置き換えられた可能性があります。"
         u8"\r\n\r\nこのまま開きますか？\r\n（「はい」を選ぶと、このまま開きます。マスターパスワードを設定し直すまで、"
         u8"データファイルは簡単なスクランブルをかけただけの形で保存されます。"
         u8"「いいえ」を選ぶと、何も保存せずに終了します）">();
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
constexpr std::string_view kMsgScrambledRecoveryFiles =
    sjis<u8"次の退避ファイルには、すべての項目が簡単なスクランブルをかけただけで入っています。"
         u8"\r\n%s\r\n\r\n必要な項目を取り込んだら、%s を終了してから削除してください。">();

// The lock and its release.
constexpr std::string_view kMsgNotLocked =
    sjis<u8"%s\r\n項目を退避するファイルも作成できなかったため、ロックしませんでした。">();
constexpr std::string_view kMsgUnlockLater =
    sjis<u8"%s\r\nロックを解除できません。しばらくしてから、もう一度お試しください。">();
constexpr std::string_view kMsgUnlockRestart =
    sjis<u8"%s\r\nロックを解除できません。%s を終了してから、起動し直してください。">();
constexpr std::string_view kMsgDamagedReason = sjis<u8"データファイル %s は壊れているため、読み込めません。">();
constexpr std::string_view kMsgNewerReason =
    sjis<u8"データファイル %s は、より新しいバージョンの %s で作成されたため読み込めません。">();

// Recovery files are never overwritten: each save looks for a free name, this many at most.
constexpr int kMaxRecoveryAttempts = 10000;

void ShowError(Messages& messages, std::string_view message) { messages.ShowError(ErrorDisplayText(message)); }

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

DataFileSession::DataFileSession(Files& files, Messages& messages, Crypto& crypto, PasswordDialogs& dialogs,
                                 ItemDataList& items, TSettings& settings, DataFileState& state, FilePath exePath)
    : files_(files), messages_(messages), crypto_(crypto), dialogs_(dialogs), items_(items), settings_(settings),
      state_(state), exePath_(std::move(exePath)) {}

bool DataFileSession::Open() {
    state_.DataFileName = ChangeFileExt(exePath_, ".DAT");
    state_.Modified = false;
    state_.UnsavedChanges = false;
    if (!LoadEntries()) {
        keepNothing_ = true;
        return false;
    }
    OfferSessionFile();
    return true;
}

bool DataFileSession::LoadEntries() {
    std::string file;
    try {
        if (!files_.Exists(state_.DataFileName))
            return AcceptUnprotected(false);
        file = ReadDataFile(files_, state_.DataFileName);
        RememberDataFile(HashBytes(file));
    } catch (const std::exception& e) {
        // Held by another program. A protected one would only be kept scrambled in a recovery
        // file at the end of such a session: better to end now.
        if (PeekProtected(files_, state_.DataFileName)) {
            ShowError(messages_, Substitute(kMsgProtectedHeld, {files_.DisplayName(state_.DataFileName), kAppTitle}));
            return false;
        }
        dataFileUnreadable_ = true;
        ShowError(messages_, MessageOf(e));
        return true;
    }
    const WipeOnExit wipe(file);
    if (IsProtectedFile(file)) {
        // Whatever fails on the way ends the start: the file is never overwritten by a list
        // that lacks its entries.
        try {
            return OpenProtected(file);
        } catch (const std::exception& e) {
            ShowError(messages_, MessageOf(e));
            return false;
        }
    }
    if (!AcceptUnprotected(true))
        return false;
    try {
        ParseScrambled(file, settings_.HidePass, items_);
    } catch (const std::exception& e) {
        dataFileUnreadable_ = true;
        ShowError(messages_, MessageOf(e));
    }
    return true;
}

bool DataFileSession::AcceptUnprotected(bool exists) {
    if (!settings_.MasterPassword)
        return true;
    const std::string what =
        Substitute(exists ? kMsgNotProtected : kMsgProtectedMissing, files_.DisplayName(state_.DataFileName));
    if (!messages_.AskWarning(Substitute(kMsgGoOnUnprotected, what)))
        return false;
    settings_.MasterPassword = false;
    return true;
}

bool DataFileSession::OpenProtected(std::string& file) {
    ProtectedHeader header;
    switch (ParseProtectedHeader(file, header)) {
    case HeaderStatus::Ok: break;
    case HeaderStatus::Damaged: return StartWithoutDamagedFile();
    case HeaderStatus::Newer:
        ShowError(messages_,
                  Substitute(kMsgNewerFile, {files_.DisplayName(state_.DataFileName), kAppTitle, kAppTitle}));
        return false;
    }
    TfrmPassword prompt(crypto_, messages_, file);
    keepNothing_ = true;
    dialogs_.RunPasswordDialog(prompt);
    keepNothing_ = false;
    switch (prompt.Outcome) {
    case TfrmPassword::Result::Cancelled: return false;
    case TfrmPassword::Result::Damaged:
        // A key whose check passed is the file's own: the recovery file is sealed with it.
        masterKey_ = std::move(prompt.Key);
        return StartWithoutDamagedFile();
    case TfrmPassword::Result::Opened: break;
    }
    masterKey_ = std::move(prompt.Key);
    const WipeOnExit wipe(prompt.Text);
    ParseDataText(prompt.Text, settings_.HidePass, items_);
    // Known from now on, also where the file was protected by a version that kept no record.
    settings_.MasterPassword = true;
    return true;
}

bool DataFileSession::StartWithoutDamagedFile() {
    if (!messages_.AskWarning(
            Substitute(masterKey_ ? kMsgDamagedFileKeyed : kMsgDamagedFile, files_.DisplayName(state_.DataFileName))))
        return false;
    dataFileUnreadable_ = true;
    return true;
}

bool DataFileSession::Confirm(std::string_view prompt) {
    return MasterKeyGate(crypto_, messages_, masterKey_ ? &*masterKey_ : nullptr, dialogs_).Confirm(prompt);
}

void DataFileSession::ChangeMasterPassword() {
    TfrmMasterPassword dialog(crypto_, messages_, masterKey_ ? &*masterKey_ : nullptr);
    dialog.LockMinutes = settings_.LockMinutes;
    dialog.LockOnSessionLock = settings_.LockOnSessionLock;
    dialogs_.RunMasterPasswordDialog(dialog);
    if (dialog.Outcome == TfrmMasterPassword::Result::Cancelled)
        return;
    settings_.LockMinutes = dialog.LockMinutes;
    settings_.LockOnSessionLock = dialog.LockOnSessionLock;
    if (dialog.Outcome == TfrmMasterPassword::Result::LockOnly)
        return;
    std::optional<MasterKey> key = std::move(dialog.NewKey);
    if (dataFileUnreadable_) {
        // The data file stays as it is; the key is for the recovery file.
        masterKey_ = std::move(key);
        if (sessionFileOwned_)
            Autosave(); // in the new form at once, as the data file would be
        messages_.ShowInformation(Substitute(kMsgPasswordForRecovery, {files_.DisplayName(state_.DataFileName),
                                                                      masterKey_ ? kRecoveryEncrypted
                                                                                 : kRecoveryScrambled}));
        return;
    }
    // Written again at once, so that no copy in the old form is left behind (the old file is
    // replaced in one step, as at any save).
    try {
        switch (SaveToDataFile(true, DataFormat{&crypto_, key ? &*key : nullptr})) {
        case DiskSave::Saved: break;
        case DiskSave::Cancelled: return;
        case DiskSave::Refused:
            ShowError(messages_, Substitute(kMsgPasswordNotSaved,
                                            {files_.DisplayName(state_.DataFileName),
                                             Substitute(kMsgChangedOtherKey,
                                                        {files_.DisplayName(state_.DataFileName), kAppTitle})}));
            return;
        }
    } catch (const std::exception& e) {
        ShowError(messages_,
                  Substitute(kMsgPasswordNotSaved, {files_.DisplayName(state_.DataFileName), MessageOf(e)}));
        return;
    }
    masterKey_ = std::move(key);
    settings_.MasterPassword = masterKey_.has_value();
    state_.UnsavedChanges = false;
    RemoveSessionFile(); // in the old form
    messages_.ShowInformation(masterKey_ ? kMsgPasswordSet : kMsgPasswordRemoved);
    if (masterKey_)
        WarnOfScrambledRecoveryFiles();
}

void DataFileSession::WarnOfScrambledRecoveryFiles() {
    std::string names;
    for (const FilePath& found : RecoveryFiles()) {
        if (PeekProtected(files_, found))
            continue;
        names += "\r\n";
        names += files_.DisplayName(found);
    }
    if (!names.empty())
        messages_.ShowWarning(Substitute(kMsgScrambledRecoveryFiles, {std::string_view(names).substr(2), kAppTitle}));
}

bool DataFileSession::CloseQuery() {
    const ExitSave saved = SaveEntriesAtExit(true);
    switch (saved.outcome) {
    case Outcome::Saved: break;
    case Outcome::Cancelled: return false;
    case Outcome::Recovered:
        messages_.ShowWarning(RecoveredNotice(saved));
        // Told now: the next start need not tell again.
        settings_.RecoveryShown = files_.LastWriteTime(saved.recovery).value_or(settings_.RecoveryShown);
        break;
    case Outcome::Lost: return messages_.AskWarning(Substitute(kMsgCloseWithoutSaving, saved.failure));
    }
    return true;
}

bool DataFileSession::SaveForEndOfSession() {
    return keepNothing_ || SaveEntriesAtExit(false).outcome != Outcome::Lost;
}

DataFileSession::ExitSave DataFileSession::SaveEntriesAtExit(bool mayAsk) {
    if (locked_ || !state_.Modified || !state_.UnsavedChanges)
        return {}; // locked: the lock saved them, and the list is empty

    ExitSave result;
    if (dataFileUnreadable_) {
        // The data file may still hold entries that were never read: it is kept as it is.
        result.failure = Substitute(kMsgNotOverwritten, files_.DisplayName(state_.DataFileName));
    } else {
        try {
            switch (SaveToDataFile(mayAsk, Format())) {
            case DiskSave::Saved:
                state_.UnsavedChanges = false;
                RemoveSessionFile();
                RemoveTakenRecoveryFiles();
                return result;
            case DiskSave::Cancelled: result.outcome = Outcome::Cancelled; return result;
            case DiskSave::Refused:
                // The other writer's file stays; this run's entries are kept beside it.
                result.failure =
                    Substitute(kMsgChangedNotOverwritten, {files_.DisplayName(state_.DataFileName), kAppTitle});
                break;
            }
        } catch (const std::exception& e) {
            result.failure = Substitute(kMsgSaveFailed, {files_.DisplayName(state_.DataFileName), MessageOf(e)});
        }
    }
    std::optional<FilePath> recovery;
    try {
        recovery = WriteRecoveryFile();
    } catch (const std::exception&) {
        // Nowhere to put them: the caller asks the user, or holds the end of the session.
    }
    if (!recovery) {
        result.outcome = Outcome::Lost; // the session file, if any, stays: it may be the only copy
        return result;
    }
    state_.UnsavedChanges = false;
    RemoveSessionFile();
    if (dataFileUnreadable_) {
        dataFileUnreadable_ = false; // later saves of this run go to the same file
        state_.DataFileName = *recovery;
        RememberWrittenDataFile();
    }
    result.outcome = Outcome::Recovered;
    result.recovery = *recovery;
    return result;
}

DataFileSession::DiskSave DataFileSession::SaveToDataFile(bool mayAsk, const DataFormat& format) {
    std::string bytes;
    const WipeOnExit wipe(bytes);
    if (ChangedOnDisk(bytes)) {
        ItemDataList theirs;
        if (ParseOwnFile(bytes, theirs) != Read::Ok || !mayAsk)
            return DiskSave::Refused; // a protected file is never opened with a guess
        const std::string name = files_.DisplayName(state_.DataFileName);
        const int choice = messages_.Ask(Substitute(kMsgChangedOnDisk, {name, kAppTitle}),
                                         {kButtonMerge, kButtonOverwrite, kButtonCancel}, 0, 2);
        if (choice == 2)
            return DiskSave::Cancelled;
        if (choice == 0)
            AppendMissing(items_, theirs);
    }
    SaveDataFile(files_, state_.DataFileName, items_, format);
    RememberWrittenDataFile();
    return DiskSave::Saved;
}

bool DataFileSession::ChangedOnDisk(std::string& bytes) {
    const FilePath& path = state_.DataFileName;
    const std::optional<std::uint64_t> size = files_.Size(path);
    if (!size)
        return false; // gone: there is nothing to overwrite
    const std::optional<std::int64_t> time = files_.LastWriteTime(path);
    if (disk_.exists && disk_.size == *size && time && disk_.time == *time)
        return false;
    try {
        bytes = ReadDataFile(files_, path);
    } catch (const std::exception&) {
        return false; // held: the save itself reports what keeps it from the file
    }
    if (disk_.exists && disk_.hash && *disk_.hash == HashBytes(bytes)) {
        bytes.clear();
        return false; // only touched (copied back by a sync program, say)
    }
    return true;
}

void DataFileSession::RememberDataFile(std::optional<std::uint64_t> hash) {
    disk_ = {true, files_.Size(state_.DataFileName).value_or(0),
             files_.LastWriteTime(state_.DataFileName).value_or(0), hash};
}

void DataFileSession::RememberWrittenDataFile() {
    std::optional<std::uint64_t> hash;
    try {
        std::string bytes = ReadDataFile(files_, state_.DataFileName);
        const WipeOnExit wipe(bytes);
        hash = HashBytes(bytes);
    } catch (const std::exception&) {
        // Unknown: any later change of size or time then counts as a change.
    }
    RememberDataFile(hash);
}

void DataFileSession::RemoveSessionFile() {
    if (sessionFileOwned_ && files_.Remove(SessionFileName()))
        sessionFileOwned_ = false;
}

void DataFileSession::RemoveTakenRecoveryFiles() {
    for (const FilePath& taken : takenRecovery_)
        files_.Remove(taken);
    takenRecovery_.clear();
}

void DataFileSession::Autosave() {
    if (keepNothing_ || locked_ || sessionFileBlocked_ || !state_.UnsavedChanges)
        return;
    try {
        SaveDataFile(files_, SessionFileName(), items_, Format());
        sessionFileOwned_ = true;
    } catch (const std::exception& e) {
        sessionFileOwned_ = sessionFileOwned_ && files_.Exists(SessionFileName());
        if (autosaveFailureShown_)
            return;
        autosaveFailureShown_ = true;
        messages_.ShowWarning(Substitute(kMsgAutosaveFailed, {files_.DisplayName(SessionFileName()), MessageOf(e)}));
    }
}

DataFileSession::Read DataFileSession::ReadOwnFile(const FilePath& path, ItemDataList& into) {
    std::string bytes;
    const WipeOnExit wipe(bytes);
    try {
        bytes = ReadDataFile(files_, path);
    } catch (const std::exception&) {
        return Read::Failed;
    }
    return ParseOwnFile(bytes, into);
}

DataFileSession::Read DataFileSession::ParseOwnFile(std::string& bytes, ItemDataList& into) {
    if (!IsProtectedFile(bytes)) {
        XorBytes(kDataFileKey, bytes.data(), bytes.size());
        if (!LooksLikeDataText(bytes))
            return Read::NotOurs;
        ParseDataText(bytes, settings_.HidePass, into);
        return Read::Ok;
    }
    ProtectedHeader header;
    if (!masterKey_ || ParseProtectedHeader(bytes, header) != HeaderStatus::Ok ||
        header.iterations != masterKey_->Iterations() || header.salt != masterKey_->Salt())
        return Read::NotOurs;
    std::string text;
    const WipeOnExit wipeText(text);
    if (masterKey_->Open(crypto_, bytes, text) != MasterKey::OpenStatus::Ok)
        return Read::NotOurs;
    ParseDataText(text, settings_.HidePass, into);
    return Read::Ok;
}

std::optional<FilePath> DataFileSession::MoveToRecoveryName(const FilePath& path) {
    const FilePath base = ChangeFileExt(exePath_, ".DAT");
    for (int attempt = 1; attempt <= kMaxRecoveryAttempts; ++attempt) {
        const FilePath target = RecoveryFileName(base, attempt);
        if (files_.Exists(target))
            continue;
        switch (files_.Replace(path, target)) {
        case Replacement::Done: return target;
        case Replacement::Refused: continue; // taken meanwhile
        case Replacement::TargetLost: return std::nullopt;
        }
    }
    return std::nullopt;
}

void DataFileSession::OfferSessionFile() {
    const FilePath path = SessionFileName();
    if (!files_.Exists(path))
        return;
    ItemDataList found;
    const Read read = ReadOwnFile(path, found);
    if (read == Read::Ok && messages_.Ask(Substitute(kMsgRestoreSession, kAppTitle), {kButtonYes, kButtonNo}, 0,
                                          1) == 0) {
        items_.Clear();
        AppendMissing(items_, found); // every one of them, into the empty list
        sessionFileOwned_ = true; // this run's from now on
        state_.SetModified();
        return;
    }
    const std::string name = files_.DisplayName(path);
    const std::optional<FilePath> kept = read == Read::Failed ? std::nullopt : MoveToRecoveryName(path);
    if (!kept) {
        sessionFileBlocked_ = true;
        messages_.ShowWarning(Substitute(kMsgSessionStuck, name));
        return;
    }
    offeredNot_.push_back(*kept); // declined now: asked about at the next start
    if (read == Read::Ok)
        messages_.ShowInformation(Substitute(kMsgSessionKept, files_.DisplayName(*kept)));
    else
        messages_.ShowWarning(Substitute(kMsgSessionNotOurs, {name, files_.DisplayName(*kept)}));
}

std::string DataFileSession::RecoveredNotice(const ExitSave& saved) const {
    return Substitute(kMsgRecovered, {saved.failure, files_.DisplayName(saved.recovery),
                                      Substitute(masterKey_ ? kRecoveryAdviceProtected : kRecoveryAdvice, kAppTitle)});
}

bool DataFileSession::SaveForLock(std::string& notice) {
    notice.clear();
    // Nothing is asked: the lock may come while the user is away.
    const ExitSave saved = SaveEntriesAtExit(false);
    switch (saved.outcome) {
    case Outcome::Saved:
    case Outcome::Cancelled: break;
    case Outcome::Recovered:
        notice = RecoveredNotice(saved);
        settings_.RecoveryShown = files_.LastWriteTime(saved.recovery).value_or(settings_.RecoveryShown);
        break;
    case Outcome::Lost: ShowError(messages_, Substitute(kMsgNotLocked, saved.failure)); return false;
    }
    return true;
}

void DataFileSession::DropKeys() {
    if (masterKey_)
        lockSeal_ = masterKey_->Seal(crypto_, {});
    masterKey_.reset();
    locked_ = true;
}

bool DataFileSession::Unlock() {
    const std::string name = files_.DisplayName(state_.DataFileName);
    const auto cannot = [&](std::string_view reason, bool later) {
        ShowError(messages_, later ? Substitute(kMsgUnlockLater, reason)
                                   : Substitute(kMsgUnlockRestart, {reason, kAppTitle}));
        return false;
    };
    std::string file;
    const WipeOnExit wipe(file);
    if (dataFileUnreadable_) {
        // Never read, never written: the list was empty, and stays so. The password is checked
        // on the lock's own seal.
        file = lockSeal_;
    } else {
        try {
            if (!files_.Exists(state_.DataFileName))
                return cannot(Substitute(kMsgProtectedMissing, name), false);
            file = ReadDataFile(files_, state_.DataFileName);
            RememberDataFile(HashBytes(file));
        } catch (const std::exception& e) {
            return cannot(MessageOf(e), true); // held by a sync program, say
        }
        if (!IsProtectedFile(file))
            return cannot(Substitute(kMsgNotProtected, name), false);
    }
    ProtectedHeader header;
    switch (ParseProtectedHeader(file, header)) {
    case HeaderStatus::Ok: break;
    case HeaderStatus::Damaged: return cannot(Substitute(kMsgDamagedReason, name), false);
    case HeaderStatus::Newer: return cannot(Substitute(kMsgNewerReason, {name, kAppTitle}), false);
    }
    TfrmPassword prompt(crypto_, messages_, file);
    dialogs_.RunPasswordDialog(prompt);
    const WipeOnExit wipeText(prompt.Text);
    switch (prompt.Outcome) {
    case TfrmPassword::Result::Cancelled: return false;
    case TfrmPassword::Result::Damaged: return cannot(Substitute(kMsgDamagedReason, name), false);
    case TfrmPassword::Result::Opened: break;
    }
    try {
        ParseDataText(prompt.Text, settings_.HidePass, items_);
    } catch (const std::exception&) {
        items_.Clear();
        return cannot(Substitute(kMsgDamagedReason, name), false);
    }
    masterKey_ = std::move(prompt.Key);
    lockSeal_.clear();
    locked_ = false;
    state_.UnsavedChanges = false; // the list is the file's again
    // Entries the lock could not put into the data file (it had changed meanwhile) are taken
    // in here, rather than left until the next start.
    OfferRecoveryFiles();
    return true;
}

FilePath DataFileSession::RecoveryFileName(const FilePath& dataFileName, int attempt) {
    const std::string suffix = attempt <= 1 ? ".recovered.DAT" : ".recovered-" + std::to_string(attempt) + ".DAT";
    return ChangeFileExt(dataFileName, suffix);
}

std::optional<FilePath> DataFileSession::WriteRecoveryFile() {
    for (const FilePath& base : RecoveryBases(files_, exePath_)) {
        try {
            if (!files_.CreateFolder(base.parent_path())) // the user's own one on its first use
                continue;
            for (int attempt = 1; attempt <= kMaxRecoveryAttempts; ++attempt) {
                const FilePath target = RecoveryFileName(base, attempt);
                if (SaveNewDataFile(files_, target, items_, Format()))
                    return target;
            }
        } catch (const std::exception&) {
            // This folder takes no new file: the next one may.
        }
    }
    return std::nullopt;
}

std::vector<FilePath> DataFileSession::RecoveryFiles() {
    // Names are taken in order, so the files in use are those up to the first free name.
    std::vector<FilePath> found;
    for (const FilePath& base : RecoveryBases(files_, exePath_)) {
        for (int attempt = 1; attempt <= kMaxRecoveryAttempts; ++attempt) {
            FilePath candidate = RecoveryFileName(base, attempt);
            if (!files_.LastWriteTime(candidate))
                break;
            found.push_back(std::move(candidate));
        }
    }
    return found;
}

void DataFileSession::OfferRecoveryFiles() {
    // Every one, also one older than the data file: one put off is asked about again at the
    // next start, whatever was saved meanwhile.
    for (const FilePath& candidate : RecoveryFiles()) {
        const std::optional<std::int64_t> time = files_.LastWriteTime(candidate);
        if (!time || std::ranges::find(offeredNot_, candidate) != offeredNot_.end() ||
            std::ranges::find(takenRecovery_, candidate) != takenRecovery_.end())
            continue;
        ItemDataList found;
        switch (ReadOwnFile(candidate, found)) {
        case Read::Failed: continue; // held: asked at the next start
        case Read::NotOurs:
            if (*time > settings_.RecoveryShown) { // once per file
                messages_.ShowWarning(Substitute(kMsgNotOurRecovery, {files_.DisplayName(candidate), kAppTitle}));
                settings_.RecoveryShown = *time;
            }
            offeredNot_.push_back(candidate);
            continue;
        case Read::Ok: break;
        }
        const int choice = messages_.Ask(
            Substitute(kMsgRecoveryOffer, {files_.DisplayName(candidate), std::to_string(found.Count())}),
            {kButtonTakeIn, kButtonLater}, 0, 1);
        if (choice == 0) {
            AppendMissing(items_, found);
            takenRecovery_.push_back(candidate);
            state_.SetModified();
        } else {
            offeredNot_.push_back(candidate);
        }
    }
}

} // namespace tobrix
