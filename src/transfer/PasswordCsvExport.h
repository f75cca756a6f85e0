#pragma once
// The export for browsers and other password keepers: every entry written to a CSV file in
// UTF-8 with the header "name,url,username,password,note", the columns Chrome, Edge,
// Bitwarden and KeePassXC take in.

#include "common/Cp932Literal.h"
#include "common/Busy.h"
#include "transfer/Export.h"
#include "platform/Files.h"
#include "transfer/PasswordCsv.h"

#include <optional>

#include <string>
#include <string_view>

namespace tobrix {

class Files;
class ItemDataList;
class Messages;
class TextCodec;
class PasswordGate;

inline constexpr std::string_view kPasswordCsvExportCaption = sjis<u8"パスワードCSVへの書き出し">();
inline constexpr std::string_view kPasswordCsvHeader = "name,url,username,password,note";

// One field as the file holds it: between double quotes, its own quotes doubled, when it
// holds a comma, a quote, CR or LF; otherwise byte for byte, blanks at either end kept.
std::string QuotedCsvField(std::string_view cp932);

// The whole file in CP932, before its one conversion: the header, then one line per entry
// in list order (title, address, user ID, password, memo), each line ended by CR LF.
std::string PasswordCsvText(const ItemDataList& items);

// The chosen path with ".csv" appended when its file name has no extension.
FilePath WithCsvExtension(const FilePath& path);

// What the export needs of the main window.
class PasswordCsvExportView : public BusyView {
public:
    // Runs the save dialog (caption kPasswordCsvExportCaption, filters kPasswordCsvFilter); the
    // dialog itself appends ".csv" to a name without an extension and asks before it replaces
    // a file. The chosen path, whatever characters it holds (the file goes anywhere the
    // import can read from); nothing when cancelled.
    virtual std::optional<FilePath> RunSaveDialog() = 0;
};

// The command, from the master password to the written file. Every way out is reported to
// the user here; nothing is thrown.
class PasswordCsvExport {
public:
    // `gate`: asks for the master password first, when one is set.
    PasswordCsvExport(const ItemDataList& items, PasswordGate& gate, Files& files, Messages& messages,
                      const TextCodec& codec, PasswordCsvExportView& view)
        : items_(items), gate_(gate), files_(files), messages_(messages), codec_(codec), view_(view) {}

    void Run();

private:
    void Write(const FilePath& path);

    const ItemDataList& items_;
    PasswordGate& gate_;
    Files& files_;
    Messages& messages_;
    const TextCodec& codec_;
    PasswordCsvExportView& view_;
};

} // namespace tobrix
