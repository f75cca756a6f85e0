#include "transfer/Export.h"

#include "store/Columns.h"
#include "common/Cp932.h"
#include "common/Error.h"
#include "platform/Messages.h"
#include "platform/Sound.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "transfer/Browse.h"

#include <exception>
#include <memory>

namespace tobrix {

namespace {

constexpr std::string_view kMsgPathMissing =
    sjis<u8"指定したファイル「%s」のパスが存在しません。\r\n存在するパスを指定してください。">();
constexpr std::string_view kCaptionPathMissing = sjis<u8"パスが存在しません">();

} // namespace

std::string ExportLine(std::string_view title, std::string_view userId, std::string_view password,
                       std::string_view memo, std::string_view url, const ExportFormat& format) {
    const char delimiter = format.delimIndex == kDelimComma ? ',' : '\t';
    const std::string_view quote = format.dblQ ? "\"" : "";
    std::string line;
    line.reserve(title.size() + userId.size() + password.size() + memo.size() + url.size() + 16);
    bool first = true;
    for (const std::string_view field : {title, userId, password, memo, url}) {
        if (!first)
            line += delimiter;
        first = false;
        line += quote;
        line += field;
        line += quote;
    }
    line += "\r\n";
    return line;
}

std::string ExportText(const ItemDataList& items, const ExportFormat& format) {
    std::string text;
    if (format.head)
        text += ExportLine(kColumnCaptions[0], kColumnCaptions[1], kColumnCaptions[2], kColumnCaptions[3],
                           kColumnCaptions[4], format);
    for (int i = 0; i < items.Count(); ++i) {
        const TVirtualItem& item = items.At(i);
        text += ExportLine(item.Title, item.UserID, item.Password, item.Memo, item.URL, format);
    }
    return text;
}

BrowseResult ApplySaveFilter(std::string_view path, int filterIndex) {
    const bool textFilter = filterIndex == 1;
    BrowseResult result{std::string(path), textFilter ? kDelimTab : kDelimComma};
    const std::string_view name = path.substr(DirectoryPart(path).size());
    if (FindChar(name, '.') == std::string_view::npos)
        result.path += textFilter ? ".txt" : ".csv";
    return result;
}

void WriteExportFile(Files& files, const FilePath& path, std::string_view text, std::string_view shownName) {
    WriteBesideOrInPlace(files, path, text.size(), [text](WritableFile& file) { WriteAndCommit(file, text); },
                         shownName);
}

void TfrmExport::FormShow() {
    View().SetFileName(settings_.ExportFile);
    // Any stored index but the comma's writes tabs: show it as the tab choice it stands for.
    View().SetDelimIndex(settings_.ExpDelim == kDelimComma ? kDelimComma : kDelimTab);
    View().SetDblQ(settings_.DblQ);
    View().SetHead(settings_.Head);
}

void TfrmExport::cmdShowClick() {
    if (const std::optional<std::string> typed = View().FileName()) {
        if (const std::string_view folder = BrowseFolder(files_, *typed); !folder.empty()) {
            dlgSave.InitialDir = folder;
            dlgSave.FileName = *typed;
        }
    }
    switch (View().RunSaveDialog(dlgSave)) {
    case SaveDialogResult::Cancelled: return;
    case SaveDialogResult::NotCp932:
        WarnNotCp932(messages_, kExportFileNameField);
        return;
    case SaveDialogResult::Chosen: break;
    }
    const BrowseResult chosen = ApplySaveFilter(dlgSave.FileName, dlgSave.FilterIndex);
    View().SetDelimIndex(chosen.delimIndex);
    View().SetFileName(chosen.path);
    View().FocusFileName();
}

std::optional<std::string> TfrmExport::TakeFileName() {
    std::optional<std::string> name = View().FileName();
    if (!name) {
        WarnNotCp932(messages_, kExportFileNameField);
        View().FocusFileName();
        return std::nullopt;
    }
    if (name->empty()) {
        sound_.Beep(kBeepDefault);
        View().FocusFileName();
        return std::nullopt;
    }
    // A bare file name is refused too: it would go wherever the current folder happens to be.
    const std::string_view directory = DirectoryPart(*name);
    if (directory.empty() || !files_.IsDirectory(files_.PathOf(directory))) {
        messages_.ShowCaptioned(Substitute(kMsgPathMissing, *name), kCaptionPathMissing, MessageIcon::Warning);
        View().FocusFileName();
        return std::nullopt;
    }
    return name;
}

void TfrmExport::cmdOKClick() {
    // An error is shown and the dialog stays open, the settings as they were.
    try {
        const std::optional<std::string> name = TakeFileName();
        if (name)
            Write(*name);
    } catch (const std::exception& e) {
        messages_.ShowError(ErrorDisplayText(MessageOf(e)));
    }
}

void TfrmExport::Write(const std::string& name) {
    const ExportFormat format{View().DelimIndex(), View().DblQ(), View().Head()};
    {
        BusyCursor busy(View());
        WriteExportFile(files_, files_.PathOf(name), ExportText(items_, format), name);
    }
    settings_.ExportFile = name;
    settings_.ExpDelim = format.delimIndex;
    settings_.DblQ = format.dblQ;
    settings_.Head = format.head;
    messages_.ShowCaptioned(Substitute(kMsgExported, name), kCaptionExported, MessageIcon::Information);
    View().Close();
}

void TfrmExport::cmdCancelClick() { View().Close(); }

} // namespace tobrix
