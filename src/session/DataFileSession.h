#pragma once
// The data file's life in one run of the program: read at start (scrambled, protected with a
// master password, or damaged), written when the window closes or the session ends, into a
// recovery file where the data file cannot take the entries, and written again at once when
// the master password is set, changed or removed. Between the saves, a session file beside it
// keeps the entries of the last seconds in case the program never gets to its save.

#include "lock/PasswordGate.h"
#include "platform/Files.h"
#include "store/DataFile.h"
#include "store/Protected.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix {

class Crypto;
class ItemDataList;
class Messages;
class PasswordDialogs;
struct TSettings;

// Where the entries are kept and whether they changed, shared with the window's parts.
struct DataFileState {
    FilePath DataFileName;       // the executable's path with ".DAT", or the recovery file this run's entries went to
    bool Modified = false;       // the entries differ from the data file; never reset during a run
    bool UnsavedChanges = false; // changed since the data file was last written

    std::function<void()> Changed; // told of every change, when set

    // Every change of the entries calls this.
    void SetModified() {
        Modified = true;
        UnsavedChanges = true;
        if (Changed)
            Changed();
    }
};

class DataFileSession final : public PasswordGate {
public:
    // exePath: full path of the running executable; the data file is beside it.
    DataFileSession(Files& files, Messages& messages, Crypto& crypto, PasswordDialogs& dialogs, ItemDataList& items,
                    TSettings& settings, DataFileState& state, FilePath exePath);

    // Reads the data file into the list, once the settings are loaded; a protected one asks
    // for its password. False when the program is to end without a window: the user declined
    // to give the password or to go on, or the data file cannot be used. Nothing is written
    // then, not even the settings (KeepsNothing).
    bool Open();
    // Each recovery file that reads as one of this program's files,
    // with this session's key where it is protected: its entries that the list does not hold
    // may be taken in (the file is removed once the data file was saved with them), or left
    // for the next start. A file of such a name that does not read is named, once, and left
    // as it is.
    void OfferRecoveryFiles();
    // Nothing of this run is to be written: while the start asks for the data file's password
    // (the session may end meanwhile), and once the start was given up.
    bool KeepsNothing() const { return keepNothing_; }

    // The window is asked to close: changed entries are saved, into a recovery file when the
    // data file cannot take them (and the user is told where). False when the window is to
    // stay open: the entries could be saved nowhere, and the user chose not to close without
    // them.
    bool CloseQuery();
    // Windows asks whether the session may end: changed entries are saved without showing
    // anything. False when they could be saved nowhere.
    bool SaveForEndOfSession();

    // Sets, changes or removes the master password; the data file is written again at once in
    // its new form.
    void ChangeMasterPassword();

    // Writes the entries into the session file, when they changed since the data file was
    // written (nothing while locked or while nothing is to be kept). Where it cannot be
    // written, that is said once per run; the next change tries again.
    void Autosave();
    // The session file: the entries of a run that has not saved them yet, protected as the
    // data file; only the run that made it writes and removes it.
    FilePath SessionFileName() const { return ChangeFileExt(exePath_, ".autosave.DAT"); }

    // Whether a master password is set: only then can the window lock.
    bool HasMasterKey() const { return masterKey_.has_value(); }
    // Before the window locks: changed entries are saved as at a close (into a recovery file
    // when the data file cannot take them). False when they could be saved nowhere: that is
    // said, and the window is not to lock. `notice`: what to tell once the window is locked
    // (where the entries went), empty for nothing.
    bool SaveForLock(std::string& notice);
    // The window locked: the keys go. What is kept is a protected file of no entries, so that
    // the password can still be checked where the data file is not to be read again.
    void DropKeys();
    // The master password asked again as at start and the data file read again from the disk
    // into the empty list. False when the window stays locked: the user cancelled, or the file
    // cannot be read (that is said; nothing is written).
    bool Unlock();

    // PasswordGate: the session's master password, when one is set.
    bool Confirm(std::string_view prompt) override;

    // The names a recovery file takes, in the folder of `dataFileName` (attempt 1, 2, ...:
    // "Tobrix.recovered.DAT", "Tobrix.recovered-2.DAT", ...). Recovery files hold every
    // entry when the data file cannot take them: it could not be written, or it existed at
    // start but could not be read (it is then never overwritten).
    static FilePath RecoveryFileName(const FilePath& dataFileName, int attempt);

private:
    enum class Outcome { Saved, Recovered, Lost, Cancelled };
    struct ExitSave {
        Outcome outcome = Outcome::Saved;
        std::string failure; // what went wrong with the data file
        FilePath recovery;   // where the entries went instead
    };
    // Saves changed entries at the end of the window's life, without showing anything unless
    // `mayAsk`: the data file changed on the disk since it was read is then asked about (its
    // entries taken in, overwritten, or the save cancelled); otherwise it is left as it is and
    // the entries go to a recovery file.
    ExitSave SaveEntriesAtExit(bool mayAsk);
    enum class DiskSave { Saved, Cancelled, Refused };
    // The one way the data file is written: in `format`, unless it changed on the disk since
    // this run read or wrote it. Then the user is asked when `mayAsk`, and the file's entries
    // that the list does not hold may be appended first; Refused when it could not be asked,
    // or when a protected file does not open with this session's key. Throws AppError when
    // the file cannot be written.
    DiskSave SaveToDataFile(bool mayAsk, const DataFormat& format);
    // The data file changed since this run read or wrote it; its bytes are then in `bytes`.
    bool ChangedOnDisk(std::string& bytes);
    // Remembers the data file's size and time as they are now on the disk, with the hash of the
    // bytes this run read; after a write, its bytes are read back for it.
    void RememberDataFile(std::optional<std::uint64_t> hash);
    void RememberWrittenDataFile();
    // After the entries were saved: files that only held them before are no longer needed.
    void RemoveSessionFile();
    void RemoveTakenRecoveryFiles();
    // A session file left by a run that did not end: its entries taken as the list, or the
    // file kept as a recovery file.
    void OfferSessionFile();
    enum class Read { Ok, NotOurs, Failed };
    // The entries of one of this program's files (scrambled, or protected with this session's
    // key) appended to `into`.
    Read ReadOwnFile(const FilePath& path, ItemDataList& into);
    Read ParseOwnFile(std::string& bytes, ItemDataList& into);
    // Gives the file a free recovery file's name; its new path, or nothing.
    std::optional<FilePath> MoveToRecoveryName(const FilePath& path);
    // What the user is told when the entries went to a recovery file.
    std::string RecoveredNotice(const ExitSave& saved) const;
    // Writes every entry into a new recovery file beside the data file, or where that fails,
    // in the user's local application data. Its path, or nothing when none could be written.
    std::optional<FilePath> WriteRecoveryFile();
    // The recovery files in use, in order: beside the data file, then in the user's folder.
    std::vector<FilePath> RecoveryFiles();
    bool LoadEntries();
    // A protected data file: its password asked, its entries taken. False when the program is
    // to end.
    bool OpenProtected(std::string& file);
    // The data file cannot be read: the user may start with an empty list (the file is then
    // never written). False when the program is to end.
    bool StartWithoutDamagedFile();
    // A master password was in use, yet the data file at start is not protected (`exists`:
    // it is there at all): the user decides whether to go on with it. False when the program
    // is to end.
    bool AcceptUnprotected(bool exists);
    // After a master password was set: the recovery files that still hold the entries only
    // scrambled are named.
    void WarnOfScrambledRecoveryFiles();
    // How this session's entries are written: with the master key, or scrambled.
    DataFormat Format() { return {&crypto_, masterKey_ ? &*masterKey_ : nullptr}; }

    Files& files_;
    Messages& messages_;
    Crypto& crypto_;
    PasswordDialogs& dialogs_;
    ItemDataList& items_;
    TSettings& settings_;
    DataFileState& state_;
    FilePath exePath_;
    bool dataFileUnreadable_ = false;
    // The master password's keys while one is set.
    std::optional<MasterKey> masterKey_;
    bool keepNothing_ = false;
    bool locked_ = false;
    std::string lockSeal_; // while locked: no entries, sealed with the dropped keys

    // The data file as this run last read or wrote it.
    struct DiskMark {
        bool exists = false;
        std::uint64_t size = 0;
        std::int64_t time = 0;
        std::optional<std::uint64_t> hash; // unknown: it could not be read back
    };
    DiskMark disk_;
    bool sessionFileOwned_ = false; // this run wrote the session file, or took it over
    bool sessionFileBlocked_ = false; // a leftover that could not be moved away: never overwritten
    bool autosaveFailureShown_ = false;
    std::vector<FilePath> takenRecovery_; // entries taken in, removed after the next save
    std::vector<FilePath> offeredNot_;    // not offered again in this run
};

} // namespace tobrix
