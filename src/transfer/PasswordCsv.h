#pragma once
// Password lists exported by browsers and other password keepers: CSV files with a header line,
// quoted as RFC 4180 quotes them (a quoted field may hold commas, doubled quotes and line
// breaks), read into entries of an import list. The header line decides which column is what.

#include "common/Cp932Literal.h"
#include "platform/Files.h"
#include "transfer/Dlg.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix {

class ItemDataList;
class Messages;
class TextCodec;
class TfrmPreview;

inline constexpr std::string_view kPasswordCsvImportCaption = sjis<u8"パスワードCSVの取り込み">();
inline constexpr std::string_view kPasswordCsvFilter = sjis<u8"パスワードCSV(*.csv)|*.csv|すべてのファイル(*.*)|*.*">();

// One field of a record: its text without the quotes, and where it stood in the whole text
// (from its first byte, an opening quote included, to the byte after its last).
struct CsvField {
    std::string text;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Backslash escapes inside quoted fields, which some exporters write instead of doubled quotes.
enum class CsvEscapes {
    None,
    Quote,             // \" is a quote (1Password 7)
    QuoteAndBackslash, // \" is a quote and \\ one backslash (KeePass's "KeePass CSV (1.x)")
};

// The records of a CSV text, one after the other. A record ends at CR, LF or CR LF outside
// quotes; a field that starts with '"' is quoted up to a '"' that is followed by a comma, a line
// break or the end of the text: a doubled quote is one quote, and a quote followed by anything
// else is taken as text. Nothing is trimmed.
class CsvReader {
public:
    explicit CsvReader(std::string_view text) : text_(text) {}
    // How the records after this call are read (the header line is read without escapes).
    void SetEscapes(CsvEscapes escapes) { escapes_ = escapes; }
    // The next record's fields (the vector's strings are reused); false at the end of the text.
    // Throws AppError naming the line where a quote opened that the text never closes.
    bool Next(std::vector<CsvField>& fields);
    // The line (from 1) where the record Next gave last begins.
    std::size_t Line() const { return line_; }
    // Lines passed so far, the line breaks inside quotes included.
    std::size_t LinesRead() const { return nextLine_ - 1; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 0;
    std::size_t nextLine_ = 1;
    CsvEscapes escapes_ = CsvEscapes::None;
};

// Which column holds what, from the header line; -1 for none.
struct CsvColumns {
    int title = -1;
    int user = -1;
    int password = -1;
    int memo = -1;
    std::vector<int> address; // the first that is not empty is taken
    int email = -1;           // Proton Pass's e-mail address: the user ID when the user name is empty
    int type = -1;            // the exporter's kind of item: only rows of `login` are entries
    std::string login;        // the kind (folded) that marks a log-in in `type`
    int group = -1;           // KeePassXC's group: rows of its recycle bin are left out
    bool bitwarden = false;   // a login_uri field may hold several addresses, separated by commas
    bool lastPass = false;    // rows at "http://sn" are secure notes
    CsvEscapes escapes = CsvEscapes::None;
};

// The columns that a header names, matched without regard to case or spaces, and how the
// exporter that the header shows writes its rows. Throws AppError listing the names it knows
// when no column holds the password.
CsvColumns MapCsvHeader(const std::vector<CsvField>& header);

// The host name of an address ("https://user@www.example.com:8080/a" gives
// "www.example.com"), empty when there is none.
std::string HostOf(std::string_view address);

// Reads a password CSV file into the import list under the progress window. Rows are left out
// when they are no log-ins, lie in the recycle bin, have neither a title nor an address, would
// change a user ID or password as they are taken over, or equal (title, user ID, password,
// address) an entry of `existing`.
class TfrmPasswordCsv final : public DlgRead {
public:
    TfrmPasswordCsv(ItemDataList& importList, const ItemDataList& existing, bool hidePass, Files& files,
                    const TextCodec& codec)
        : importList_(importList), existing_(existing), hidePass_(hidePass), files_(files), codec_(codec) {}

    FilePath Path;

    // Rows left out, by reason.
    std::size_t NoTitle = 0;    // neither a title nor an address
    std::size_t NotLogin = 0;   // other kinds of item, secure notes, Firefox's own account
    std::size_t RecycleBin = 0; // KeePassXC's recycle bin
    std::size_t Duplicates = 0; // already in the list
    // The rows (by the line where each begins, from 1) whose user ID or password would have
    // been changed: a line break, tab or 0x08 in it, or a character code page 932 cannot hold.
    std::vector<std::size_t> ChangedCredentials;
    // Characters that became '?' in the titles, memos and addresses taken in.
    std::size_t UnmappableCount = 0;
    std::size_t UnmappableLine = 0; // the line of the first row that holds one; 0 when none

    // Reads the file at Path. Throws AppError when it cannot be opened or read, or is no
    // password list.
    void Read() override;
    // The same for a file's bytes.
    void ReadBytes(std::string bytes);

    // What the preview tells about the rows left out and the text changed, one sentence a line;
    // empty when there is nothing to tell.
    std::string Notice() const;

private:
    ItemDataList& importList_;
    const ItemDataList& existing_;
    bool hidePass_;
    Files& files_;
    const TextCodec& codec_;
};

// What the command needs of the main window.
class PasswordCsvView {
public:
    virtual ~PasswordCsvView() = default;
    // The standard open dialog for a password CSV file: the chosen file, or nothing.
    virtual std::optional<FilePath> RunPasswordCsvOpenDialog() = 0;
    // The reader under the progress window (see win32::RunReader); an error goes to the caller.
    virtual void RunPasswordCsvReader(DlgRead& reader) = 0;
    virtual void RunPasswordCsvPreview(TfrmPreview& preview) = 0;
};

// The command: a file chosen, read, shown and, once the user agrees, its entries appended to
// `items`. Returns the file read when entries were appended; nothing when nothing changed. An
// error is shown here.
std::optional<FilePath> ImportPasswordCsv(PasswordCsvView& view, ItemDataList& items, bool hidePass, Files& files,
                                          Messages& messages, const TextCodec& codec);

// Offers to delete the file just imported, since it holds every password in plain text; keeping
// it is the default answer.
void OfferToDeleteImported(const FilePath& path, Files& files, Messages& messages);

} // namespace tobrix
