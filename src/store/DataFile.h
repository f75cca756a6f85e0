#pragma once
// The data file: one line per entry, five fields joined by 0x08, CR LF after every line,
// the whole text XOR-scrambled with kDataFileKey. No header, no count, no checksum. With a
// master password the same text is kept encrypted instead (store/Protected.h).

#include "platform/Files.h"
#include "store/ItemDataList.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tobrix {

class Crypto;
class MasterKey;

// How a data file is written: scrambled, or protected with the session's master key.
struct DataFormat {
    Crypto* crypto = nullptr;       // needed with a key
    const MasterKey* key = nullptr; // null: scrambled
};

inline constexpr char kFieldSeparator = '\x08';

// Appends one entry per line of the clear text, masked as unselected rows. The fields of a
// line: Title, UserID, Password and Memo each take the text before the next separator, or
// stay empty when there is none left; URL takes the rest, further separators included.
// Separators are searched character by character.
void ParseDataText(std::string_view text, bool hidePass, ItemDataList& list);

// The clear text of a list: one line per entry, CR LF after each.
std::string BuildDataText(const ItemDataList& list);

// Appends the entries of a scrambled data file to the list. Throws AppError with "ファイル %s
// は開けません" when the file cannot be opened or read, or is a protected one; the list is then
// left as it was.
void LoadDataFile(Files& files, const FilePath& path, bool hidePass, ItemDataList& list);

// The data file's bytes as they are on the disk. Throws AppError with "ファイル %s は開けません"
// when the file cannot be opened or read.
std::string ReadDataFile(Files& files, const FilePath& path);
// Appends the entries of a scrambled data file's bytes to the list; the bytes are unscrambled
// in place.
void ParseScrambled(std::string& bytes, bool hidePass, ItemDataList& list);
// Whether an unscrambled or decrypted text is what this program writes: empty, or lines of
// CP932 text each ended by CR LF, with no control character but the field separator and tab.
// Any file unscrambles to something; a file of another program fails this.
bool LooksLikeDataText(std::string_view text);

// A 64-bit FNV-1a hash of bytes: enough to tell a file that changed from one that was only
// touched. Not a protection against anyone.
std::uint64_t HashBytes(std::string_view bytes);

// Appends copies of the entries of `other` that `list` does not hold; an entry is held when
// all five fields are equal, each entry of `list` standing for one of `other`. The number
// appended.
int AppendMissing(ItemDataList& list, const ItemDataList& other);

// Whether a data file that cannot be opened for reading (another program holds it) is a
// protected one, from its first bytes read without disturbing that program. False when even
// that read fails.
bool PeekProtected(Files& files, const FilePath& path);

// Replaces the data file (or the file it links to) by the list: scrambled, or protected with
// the key of `format` (its clear text then wiped before this returns). The new content is
// written to a file of its own beside it (with the old file's attributes and access rights),
// flushed, and then put in the old one's place in one step, so that a failure leaves the
// previous file as it was. Where that cannot be done, the data file itself is written over
// instead, once the disk has room for its new length; a read-only data file is never written.
// Throws AppError with the file messages, or kMsgCryptoFailed before anything is written.
void SaveDataFile(Files& files, const FilePath& path, const ItemDataList& list, const DataFormat& format = {});

// Writes the list into a new file of that name. False, with nothing written, when the name
// is taken; throws AppError on any other failure, with nothing left behind.
bool SaveNewDataFile(Files& files, const FilePath& path, const ItemDataList& list, const DataFormat& format = {});

} // namespace tobrix
