#include "transfer/PasswordCsv.h"

#include "common/Cp932.h"
#include "common/Error.h"
#include "platform/Messages.h"
#include "platform/TextCodec.h"
#include "store/ItemDataList.h"
#include "transfer/Preview.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <unordered_set>

namespace tobrix {

namespace {

constexpr std::string_view kMsgOpenQuote =
    sjis<u8"%s 行目で始まる引用符（\"）がファイルの終わりまで閉じられていないため、取り込めません。">();
constexpr std::string_view kMsgNoPasswordColumn =
    sjis<u8"このファイルの見出し行にはパスワードの列がないため、取り込めません。\r\n"
         u8"読み取れる列の名前（大文字・小文字と空白は区別しません）：\r\n"
         u8"name, title, url, login_uri, website, username, login_username, login, password, login_password, "
         u8"note, notes, comment, comments, extra, type, group">();
constexpr std::string_view kMsgEmptyFile = sjis<u8"ファイルに見出し行がありません。">();
constexpr std::string_view kMsgNothingToTake = sjis<u8"取り込めるデータが１件もありません。">();
constexpr std::string_view kCaptionDataError = sjis<u8"データエラー">();
constexpr std::string_view kMsgDeleteFile =
    sjis<u8"読み込んだファイル %s には、すべてのパスワードが暗号化されないまま入っています。\r\n"
         u8"このファイルを削除しますか？">();
constexpr std::string_view kMsgNotDeleted = sjis<u8"ファイル %s を削除できませんでした。">();

constexpr std::string_view kUnmappableNotice[] = {
    sjis<u8"ファイルの文字のうち ">(),
    sjis<u8" 文字はシフトJISで表せないため「?」に置き換えました（最初は ">(),
    sjis<u8" 行目）。">(),
};
constexpr std::string_view kCredentialNotice =
    sjis<u8"次の行は、ユーザーＩＤかパスワードに改行・タブやシフトJISで表せない文字があり、"
         u8"そのままでは取り込めないため取り込みません：">();
constexpr std::string_view kLineSuffix = sjis<u8" 行目">();
constexpr std::string_view kComma = sjis<u8"、">();
constexpr std::string_view kMore[] = {sjis<u8" ほか ">(), sjis<u8" 件">()};
constexpr std::size_t kNamedLines = 5;
constexpr std::string_view kSkippedNotice[] = {
    sjis<u8"タイトルもアドレスもない行 ">(),
    sjis<u8"ログイン以外の項目 ">(),
    sjis<u8"ごみ箱の項目 ">(),
    sjis<u8" 件">(),
    sjis<u8"は取り込みません。">(),
};
constexpr std::string_view kDuplicateNotice[] = {sjis<u8"一覧にすでにある項目と同じ ">(),
                                                 sjis<u8" 件は取り込みません。">()};
// KeePassXC's recycle bin group, in English and in Japanese (its translation writes katakana,
// older databases hold the hiragana spelling).
constexpr std::string_view kFirefoxAccounts = "chrome://firefoxaccounts"; // folded
constexpr std::string_view kRecycleBins[] = {"recyclebin", sjis<u8"ゴミ箱">(), sjis<u8"ごみ箱">()};

// ASCII letters in lower case, blanks left out: how header names are compared.
std::string Folded(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsLeadByte(c) && i + 1 < name.size()) {
            if (name.substr(i, 2) != "\x81\x40") // the double-byte blank
                out.append(name.substr(i, 2));
            ++i;
        } else if (c != ' ' && c != '\t') {
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
    }
    return out;
}

// How many of the sorted places lie in [begin, end).
std::size_t CountIn(const std::vector<std::size_t>& at, std::size_t begin, std::size_t end) {
    if (at.empty())
        return 0;
    return static_cast<std::size_t>(std::lower_bound(at.begin(), at.end(), end) -
                                    std::lower_bound(at.begin(), at.end(), begin));
}

// Whether the text ends in a lead byte without its second byte (the text of a CP932 file is
// taken byte for byte).
bool EndsHalf(std::string_view text) {
    std::size_t run = 0;
    while (run < text.size() && IsLeadByte(static_cast<unsigned char>(text[text.size() - 1 - run])))
        ++run;
    return run % 2 != 0;
}

bool HasBreakOrSeparator(std::string_view text) {
    // A plain loop: find_first_of looks up every byte of the text in the set with a call.
    for (const char c : text)
        if (c == '\r' || c == '\n' || c == '\t' || c == '\x08')
            return true;
    return false;
}

// Where the unquoted text from `pos` ends: at a comma, a line break or the end.
std::size_t FieldEnd(std::string_view text, std::size_t pos) {
    const char* const data = text.data();
    const std::size_t size = text.size();
    while (pos < size && data[pos] != ',' && data[pos] != '\r' && data[pos] != '\n')
        ++pos;
    return pos;
}

// Each line break (CR, LF, CR LF), tab and 0x08 as one blank: the data file keeps an entry on
// one line, its fields separated by 0x08.
void ToOneLine(std::string& text) {
    if (!HasBreakOrSeparator(text))
        return;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        out += c == '\r' || c == '\n' || c == '\t' || c == '\x08' ? ' ' : c;
    }
    text = std::move(out);
}

std::string Key(std::string_view title, std::string_view user, std::string_view password, std::string_view url) {
    std::string key;
    key.reserve(title.size() + user.size() + password.size() + url.size() + 3);
    for (const std::string_view part : {title, user, password, url}) {
        key.append(part);
        key += '\0';
    }
    return key;
}

} // namespace

bool CsvReader::Next(std::vector<CsvField>& fields) {
    if (pos_ >= text_.size())
        return false;
    line_ = nextLine_;
    std::size_t count = 0;
    for (;;) {
        if (fields.size() <= count)
            fields.emplace_back();
        CsvField& field = fields[count++];
        field.text.clear();
        field.begin = pos_;
        if (pos_ < text_.size() && text_[pos_] == '"') {
            const std::size_t opened = nextLine_;
            const char* const data = text_.data();
            const std::size_t size = text_.size();
            ++pos_;
            for (;;) {
                // Up to the next quote, or backslash where it escapes; the text is CP932, whose
                // second bytes may be a backslash (never a quote).
                std::size_t stop = pos_;
                if (escapes_ == CsvEscapes::None) {
                    stop = std::min(text_.find('"', pos_), size);
                } else {
                    while (stop < size && data[stop] != '"' && data[stop] != '\\')
                        stop += IsLeadByte(static_cast<unsigned char>(data[stop])) && stop + 1 < size &&
                                        data[stop + 1] != '"'
                                    ? 2
                                    : 1;
                }
                if (stop >= size)
                    throw AppError(Substitute(kMsgOpenQuote, std::to_string(opened)));
                const std::string_view piece = text_.substr(pos_, stop - pos_);
                for (std::size_t k = 0; k < piece.size(); ++k)
                    if (piece[k] == '\n' || (piece[k] == '\r' && (k + 1 >= piece.size() || piece[k + 1] != '\n')))
                        ++nextLine_;
                field.text.append(piece);
                pos_ = stop + 1;
                const char next = pos_ < size ? data[pos_] : ',';
                if (data[stop] == '\\') {
                    if (next == '"' || (next == '\\' && escapes_ == CsvEscapes::QuoteAndBackslash)) {
                        field.text += next;
                        ++pos_;
                    } else {
                        field.text += '\\';
                    }
                    continue;
                }
                if (next == '"') { // a doubled quote
                    field.text += '"';
                    ++pos_;
                    continue;
                }
                if (next == ',' || next == '\r' || next == '\n')
                    break;
                field.text += '"'; // a stray quote in the text, as most readers take it
            }
        }
        // Unquoted text, or what follows a closing quote, up to the end of the field.
        const std::size_t stop = FieldEnd(text_, pos_);
        field.text.append(text_.substr(pos_, stop - pos_));
        field.end = stop;
        pos_ = stop;
        if (pos_ < text_.size() && text_[pos_] == ',') {
            ++pos_;
            continue;
        }
        if (pos_ < text_.size()) {
            pos_ += text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n' ? 2 : 1;
            ++nextLine_;
        }
        break;
    }
    fields.resize(count);
    return true;
}

CsvColumns MapCsvHeader(const std::vector<CsvField>& header) {
    CsvColumns columns;
    std::vector<std::string> names;
    names.reserve(header.size());
    for (const CsvField& field : header)
        names.push_back(Folded(field.text));
    const auto has = [&names](std::string_view name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    // KeePass's "KeePass CSV (1.x)" names the title "Account", which Chrome takes for the user.
    if (names == std::vector<std::string>{"account", "loginname", "password", "website", "comments"}) {
        columns.title = 0, columns.user = 1, columns.password = 2, columns.address = {3}, columns.memo = 4;
        columns.escapes = CsvEscapes::QuoteAndBackslash;
        return columns;
    }
    const auto take = [](int& column, int index) {
        if (column < 0)
            column = index;
    };
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        const int index = static_cast<int>(i);
        if (name == "name" || name == "title")
            take(columns.title, index);
        else if (name == "username" || name == "login_username" || name == "login")
            take(columns.user, index);
        else if (name == "password" || name == "login_password") {
            take(columns.password, index);
            columns.bitwarden = columns.bitwarden || name == "login_password";
        } else if (name == "note" || name == "notes" || name == "comment" || name == "comments" || name == "extra")
            take(columns.memo, index);
        else if (name == "url" || name == "login_uri" || name == "website")
            columns.address.push_back(index);
        else if (name == "type")
            take(columns.type, index);
        else if (name == "group")
            take(columns.group, index);
        else if (name == "email")
            take(columns.email, index);
    }
    if (columns.password < 0)
        throw AppError(std::string(kMsgNoPasswordColumn));
    // A "type" column says what is a log-in only in the exports known here.
    const bool protonPass = columns.type >= 0 && (has("vault") || has("createtime"));
    if (columns.bitwarden || protonPass || (columns.type >= 0 && has("title"))) // 1Password 7: "Login"
        columns.login = "login";
    else if (columns.type >= 0 && has("cardnumber")) // NordPass
        columns.login = "password";
    else
        columns.type = -1;
    if (!protonPass)
        columns.email = -1;
    if (columns.type >= 0 && has("title") && !columns.bitwarden && !protonPass)
        columns.escapes = CsvEscapes::Quote; // 1Password 7 writes \" inside quotes
    columns.lastPass = has("extra") && has("grouping");
    return columns;
}

std::string HostOf(std::string_view address) {
    std::size_t start = address.find("://");
    start = start == std::string_view::npos ? 0 : start + 3;
    std::string_view rest = address.substr(start);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos)
        rest = rest.substr(at + 1);
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        rest = close == std::string_view::npos ? rest : rest.substr(0, close + 1);
    } else {
        rest = rest.substr(0, rest.find(':'));
    }
    return std::string(rest);
}

void TfrmPasswordCsv::Read() {
    std::unique_ptr<ByteSource> file = files_.OpenRead(Path);
    if (!file)
        throw AppError(Substitute(kMsgCannotOpen, files_.DisplayName(Path)));
    std::string bytes = ReadAll(*file);
    file.reset();
    ReadBytes(std::move(bytes));
}

void TfrmPasswordCsv::ReadBytes(std::string bytes) {
    NoDlgView noView;
    DlgView& view = view_ != nullptr ? *view_ : noView;
    Running = true;
    NoTitle = NotLogin = RecycleBin = Duplicates = 0;
    ChangedCredentials.clear();
    UnmappableCount = UnmappableLine = 0;
    const BusyCursor busy(view);
    view.SetCaptionText(files_.DisplayName(Path) + std::string(kDlgReading));

    TextEncoding encoding = TextEncoding::Cp932;
    Cp932Text text = Utf8OrCp932FileText(std::move(bytes), codec_, encoding);
    if (encoding == TextEncoding::Cp932) // the text ends at its first NUL, as a converted one does
        text.text.resize(std::min(text.text.size(), text.text.find('\0')));
    view.SetProgressMax(static_cast<int>(std::min<std::size_t>(CountLines(text.text), INT_MAX)));
    view.Repaint();

    CsvReader reader(text.text);
    std::vector<CsvField> fields;
    if (!reader.Next(fields))
        throw AppError(std::string(kMsgEmptyFile));
    const CsvColumns columns = MapCsvHeader(fields);
    reader.SetEscapes(columns.escapes);

    std::unordered_set<std::string> known;
    known.reserve(static_cast<std::size_t>(existing_.Count()));
    for (int i = 0; i < existing_.Count(); ++i) {
        const TVirtualItem& item = existing_.At(i);
        known.insert(Key(item.Title, item.UserID, item.Password, item.URL));
    }

    static const CsvField kEmpty;
    const auto at = [&fields](int column) -> const CsvField& {
        return column >= 0 && static_cast<std::size_t>(column) < fields.size()
                   ? fields[static_cast<std::size_t>(column)]
                   : kEmpty;
    };
    // Characters the conversion changed within a field.
    const auto lost = [&text](const CsvField& f) { return CountIn(text.lostAt, f.begin, f.end); };
    const auto changed = [&](const CsvField& f) {
        return lost(f) != 0 || CountIn(text.mappedAt, f.begin, f.end) != 0 || HasBreakOrSeparator(f.text) ||
               EndsHalf(f.text);
    };
    std::size_t linesShown = reader.LinesRead();
    for (std::size_t k = 0; k < linesShown; ++k)
        view.StepProgress();
    while (reader.Next(fields)) {
        for (; linesShown < reader.LinesRead(); ++linesShown)
            view.StepProgress();
        view.ProcessPendingEvents();
        if (!Running)
            return;
        if (fields.size() == 1 && fields[0].text.empty())
            continue; // an empty line
        if (columns.type >= 0 && Folded(at(columns.type).text) != columns.login) {
            ++NotLogin;
            continue;
        }
        if (columns.group >= 0) {
            const std::string group = Folded(at(columns.group).text);
            bool inBin = false;
            for (std::size_t start = 0; start <= group.size() && !inBin;) {
                const std::size_t slash = std::min(group.find('/', start), group.size());
                const std::string_view part = std::string_view(group).substr(start, slash - start);
                inBin = std::find(std::begin(kRecycleBins), std::end(kRecycleBins), part) != std::end(kRecycleBins);
                start = slash + 1;
            }
            if (inBin) {
                ++RecycleBin;
                continue;
            }
        }
        const CsvField* address = &kEmpty;
        for (const int column : columns.address) {
            if (!at(column).text.empty()) {
                address = &at(column);
                break;
            }
        }
        std::string url = address->text;
        if (columns.bitwarden)
            url.resize(std::min(url.size(), url.find(',')));
        // LastPass's secure notes, and the account Firefox keeps for its own sync: no site's log-ins.
        if ((columns.lastPass && url == "http://sn") ||
            (url.size() == kFirefoxAccounts.size() && Folded(url) == kFirefoxAccounts)) {
            ++NotLogin;
            continue;
        }
        const CsvField& title = at(columns.title);
        if (title.text.empty() && url.empty()) {
            ++NoTitle;
            continue;
        }
        const CsvField& user = at(columns.user).text.empty() ? at(columns.email) : at(columns.user);
        const CsvField& password = at(columns.password);
        if (changed(user) || changed(password)) {
            ChangedCredentials.push_back(reader.Line());
            continue;
        }
        TVirtualItem entry;
        std::size_t unmappable = lost(title) + lost(*address) + lost(at(columns.memo));
        entry.Title = title.text.empty() ? HostOf(url) : title.text;
        if (entry.Title.empty())
            entry.Title = url;
        entry.Memo = at(columns.memo).text;
        entry.URL = std::move(url);
        for (std::string* field : {&entry.Title, &entry.Memo, &entry.URL}) {
            ToOneLine(*field);
            if (EndsHalf(*field)) {
                field->back() = '?';
                ++unmappable;
            }
        }
        entry.UserID = user.text;
        entry.Password = password.text;
        if (known.count(Key(entry.Title, entry.UserID, entry.Password, entry.URL)) != 0) {
            ++Duplicates;
            continue;
        }
        if (unmappable != 0 && UnmappableCount == 0)
            UnmappableLine = reader.Line();
        UnmappableCount += unmappable;
        entry.MaskedPassword = hidePass_ ? MaskOf(entry.Password) : entry.Password;
        importList_.AppendNew() = std::move(entry);
    }
}

std::string TfrmPasswordCsv::Notice() const {
    std::string notice;
    const auto newLine = [&notice] {
        if (!notice.empty())
            notice.append("\r\n");
    };
    if (UnmappableCount != 0) {
        notice.append(kUnmappableNotice[0]);
        notice.append(std::to_string(UnmappableCount));
        notice.append(kUnmappableNotice[1]);
        notice.append(std::to_string(UnmappableLine));
        notice.append(kUnmappableNotice[2]);
    }
    if (!ChangedCredentials.empty()) {
        newLine();
        notice.append(kCredentialNotice);
        for (std::size_t k = 0; k < ChangedCredentials.size() && k < kNamedLines; ++k) {
            if (k != 0)
                notice.append(kComma);
            notice.append(std::to_string(ChangedCredentials[k]));
        }
        notice.append(kLineSuffix);
        if (ChangedCredentials.size() > kNamedLines) {
            notice.append(kMore[0]);
            notice.append(std::to_string(ChangedCredentials.size() - kNamedLines));
            notice.append(kMore[1]);
        }
    }
    const std::size_t skipped[] = {NoTitle, NotLogin, RecycleBin};
    std::string counts;
    for (std::size_t k = 0; k < std::size(skipped); ++k) {
        if (skipped[k] == 0)
            continue;
        if (!counts.empty())
            counts.append(kComma);
        counts.append(kSkippedNotice[k]);
        counts.append(std::to_string(skipped[k]));
        counts.append(kSkippedNotice[3]);
    }
    if (!counts.empty()) {
        newLine();
        notice.append(counts);
        notice.append(kSkippedNotice[4]);
    }
    if (Duplicates != 0) {
        newLine();
        notice.append(kDuplicateNotice[0]);
        notice.append(std::to_string(Duplicates));
        notice.append(kDuplicateNotice[1]);
    }
    return notice;
}

std::optional<FilePath> ImportPasswordCsv(PasswordCsvView& view, ItemDataList& items, bool hidePass, Files& files,
                                          Messages& messages, const TextCodec& codec) {
    try {
        const std::optional<FilePath> path = view.RunPasswordCsvOpenDialog();
        if (!path)
            return std::nullopt;
        ItemDataList importList;
        TfrmPasswordCsv reader(importList, items, hidePass, files, codec);
        reader.Path = *path;
        view.RunPasswordCsvReader(reader);
        if (!reader.Running)
            return std::nullopt;
        const std::string notice = reader.Notice();
        if (importList.Count() == 0) {
            std::string text(kMsgNothingToTake);
            if (!notice.empty())
                text.append("\r\n").append(notice);
            messages.ShowCaptioned(text, kCaptionDataError, MessageIcon::Warning);
            return std::nullopt;
        }
        TfrmPreview preview(importList, notice);
        view.RunPasswordCsvPreview(preview);
        if (!preview.Accepted)
            return std::nullopt;
        MergeImport(importList, items);
        return path;
    } catch (const std::exception& e) {
        messages.ShowError(ErrorDisplayText(MessageOf(e)));
        return std::nullopt;
    }
}

void OfferToDeleteImported(const FilePath& path, Files& files, Messages& messages) {
    if (!messages.AskWarning(Substitute(kMsgDeleteFile, files.DisplayName(path))))
        return;
    if (!files.Remove(path))
        messages.ShowWarning(Substitute(kMsgNotDeleted, files.DisplayName(path)));
}

} // namespace tobrix
