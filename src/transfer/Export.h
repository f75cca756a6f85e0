#pragma once
// The export: every entry written to a comma- or tab-delimited text file, one line each.

#include "common/Cp932Literal.h"
#include "platform/Files.h"
#include "common/Busy.h"

#include <optional>
#include <string>
#include <string_view>

namespace tobrix {

class ItemDataList;
class Messages;
class Sound;
struct TSettings;

inline constexpr std::string_view kExportCaption = sjis<u8"ファイルへの書き出し">();
inline constexpr std::string_view kExportLabelFileName = sjis<u8"保存先ファイル名(&F)：">();
inline constexpr std::string_view kExportButtonShow = sjis<u8"参照">();
inline constexpr std::string_view kExportDelimCaption = sjis<u8"区切り文字(&D)">();
inline constexpr std::string_view kExportDelimComma = sjis<u8"カンマ">();
inline constexpr std::string_view kExportDelimTab = "Tab";
inline constexpr std::string_view kExportDblQ = sjis<u8"各項目を「\"\"」で括る(&Q)">();
inline constexpr std::string_view kExportHead = sjis<u8"先頭行にヘッダーを挿入する(&H)">();
inline constexpr std::string_view kExportButtonOK = sjis<u8"書き出し">();
inline constexpr std::string_view kExportButtonCancel = sjis<u8"キャンセル">();

// The report of a written file, %s its name.
inline constexpr std::string_view kMsgExported = sjis<u8"%s に書き出しました。">();
inline constexpr std::string_view kCaptionExported = sjis<u8"正常終了">();
// A name the settings could not keep, and that would name another file once converted, is
// refused under this name.
inline constexpr std::string_view kExportFileNameField = sjis<u8"保存先ファイル名">();

// The save dialog's filters as "description|pattern|...", the first one chosen at first.
inline constexpr std::string_view kExportFilter =
    sjis<u8"テキスト（タブ区切り）(*.txt)|*.txt|ＣＳＶ（カンマ区切り）(*.csv)|*.csv|すべてのファイル(*.*)|*.*">();

// optDelim's items.
inline constexpr int kDelimComma = 0;
inline constexpr int kDelimTab = 1;

// How the lines are written.
struct ExportFormat {
    int delimIndex = kDelimComma; // comma at 0, tab at any other index
    bool dblQ = true;             // each field between two double quote characters
    bool head = false;            // the column captions as the first line
};

// One line: the fields, each between the quotes, joined by the delimiter, CR LF at the end.
// Fields go out as they are: quotes, delimiters and line breaks in them are not escaped.
std::string ExportLine(std::string_view title, std::string_view userId, std::string_view password,
                       std::string_view memo, std::string_view url, const ExportFormat& format);

// The whole file: the optional header, then one line per entry in list order, with the
// plain passwords.
std::string ExportText(const ItemDataList& items, const ExportFormat& format);

// What the browse does with the save dialog's answer (filterIndex from 1, as the dialog counts):
// the delimiter that goes with the filter, and the path with ".txt" (first filter) or ".csv"
// (any other) appended when its file name has no extension.
struct BrowseResult {
    std::string path;
    int delimIndex = kDelimComma;
};
BrowseResult ApplySaveFilter(std::string_view path, int filterIndex);

// Writes the text to the file completely or not at all: it goes into a new file beside the
// target (the file a link leads to) that then takes the target's place in one step; where
// none can be made there, the target is written in place once the disk has room for the
// text. Throws AppError with the create or write error; `shownName` is the name those
// messages show.
void WriteExportFile(Files& files, const FilePath& path, std::string_view text, std::string_view shownName);

// The save-file dialog's own state, kept from one browse to the next while the export
// dialog is open.
struct SaveDialogState {
    std::string InitialDir; // empty: the system's choice
    std::string FileName;   // what the dialog shows first; after a choice, the chosen path
    int FilterIndex = 1;    // from 1
};

enum class SaveDialogResult { Cancelled, Chosen, NotCp932 };

// What TfrmExport needs of its window; the hourglass while the file is written (BusyView).
class ExportView : public BusyView {
public:
    // txtFileName's text, or nothing when it holds characters that code page 932 cannot hold.
    virtual std::optional<std::string> FileName() const = 0;
    virtual void SetFileName(std::string_view cp932) = 0;
    virtual void FocusFileName() = 0;
    virtual int DelimIndex() const = 0;
    virtual void SetDelimIndex(int index) = 0;
    virtual bool DblQ() const = 0;
    virtual void SetDblQ(bool on) = 0;
    virtual bool Head() const = 0;
    virtual void SetHead(bool on) = 0;
    // Runs dlgSave (caption kExportCaption, filters kExportFilter) from `state`. On a choice,
    // FileName and FilterIndex take the chosen ones; NotCp932 when the chosen path holds a
    // character that code page 932 cannot hold (then only FilterIndex changes).
    virtual SaveDialogResult RunSaveDialog(SaveDialogState& state) = 0;
    virtual void Close() = 0;
};

class TfrmExport {
public:
    TfrmExport(const ItemDataList& items, TSettings& settings, Files& files, Messages& messages, Sound& sound)
        : items_(items), settings_(settings), files_(files), messages_(messages), sound_(sound) {}

    // The window calls this once it exists, before FormShow, and Detach when it goes.
    void Attach(ExportView& view) { view_ = &view; }
    void Detach() { view_ = nullptr; }

    void FormShow();
    void cmdShowClick();
    void cmdOKClick();
    void cmdCancelClick();

    SaveDialogState dlgSave;

private:
    // The typed name, or nothing after telling the user why it cannot be used.
    std::optional<std::string> TakeFileName();
    void Write(const std::string& name);
    ExportView& View() const { return *view_; }

    const ItemDataList& items_;
    TSettings& settings_;
    Files& files_;
    Messages& messages_;
    Sound& sound_;
    ExportView* view_ = nullptr;
};

} // namespace tobrix
