#include "transfer/PasswordCsvExport.h"

#include "common/Cp932.h"
#include "common/Error.h"
#include "common/Secret.h"
#include "lock/PasswordGate.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/TextCodec.h"
#include "store/ItemDataList.h"

#include <exception>

namespace tobrix {

namespace {

constexpr std::string_view kMsgPlainText =
    sjis<u8"書き出すファイルには、すべてのパスワードが暗号化されずにそのまま書き込まれます。"
         u8"ファイルを手に入れた人は、だれでもすべてのパスワードを読むことができます。"
         u8"\r\n取り込みが済んだら、ファイルを削除してください。\r\n\r\n書き出しますか？">();
constexpr std::string_view kPromptExport = sjis<u8"書き出す前に、マスターパスワードを入力してください。">();

// A comma, a quote, CR and LF are all below 0x40, the lowest second byte of a CP932
// character: a byte that equals one of them is that character.
bool NeedsQuotes(std::string_view field) {
    for (const char c : field)
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}

void AppendField(std::string& line, std::string_view field) {
    if (!NeedsQuotes(field)) {
        line += field;
        return;
    }
    line += '"';
    for (const char c : field) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

} // namespace

std::string QuotedCsvField(std::string_view cp932) {
    std::string field;
    AppendField(field, cp932);
    return field;
}

std::string PasswordCsvText(const ItemDataList& items) {
    std::string text(kPasswordCsvHeader);
    text += "\r\n";
    for (int i = 0; i < items.Count(); ++i) {
        const TVirtualItem& item = items.At(i);
        bool first = true;
        for (const std::string_view field : {std::string_view(item.Title), std::string_view(item.URL),
                                             std::string_view(item.UserID), std::string_view(item.Password),
                                             std::string_view(item.Memo)}) {
            if (!first)
                text += ',';
            first = false;
            AppendField(text, field);
        }
        text += "\r\n";
    }
    return text;
}

FilePath WithCsvExtension(const FilePath& path) {
    // The file name is what follows the last separator (a wide path has no trail bytes that
    // could be taken for one).
    const FilePath::string_type& text = path.native();
    for (auto at = text.rbegin(); at != text.rend() && *at != '\\' && *at != '/' && *at != ':'; ++at)
        if (*at == '.')
            return path;
    FilePath result = path;
    result += ".csv";
    return result;
}

void PasswordCsvExport::Run() {
    if (!gate_.Confirm(kPromptExport) || !messages_.AskWarning(kMsgPlainText))
        return;
    try {
        const std::optional<FilePath> chosen = view_.RunSaveDialog();
        if (!chosen)
            return;
        Write(WithCsvExtension(*chosen));
    } catch (const std::exception& e) {
        messages_.ShowError(ErrorDisplayText(MessageOf(e)));
    }
}

void PasswordCsvExport::Write(const FilePath& path) {
    const std::string name = files_.DisplayName(path);
    {
        const BusyCursor busy(view_);
        // Both texts hold every password in the clear: wiped on every way out.
        std::string text = PasswordCsvText(items_);
        const WipeOnExit wipeText(text);
        std::string utf8 = codec_.ToUtf8(text);
        const WipeOnExit wipeUtf8(utf8);
        WriteExportFile(files_, path, utf8, name);
    }
    messages_.ShowCaptioned(Substitute(kMsgExported, name), kCaptionExported, MessageIcon::Information);
}

} // namespace tobrix
