#include "transfer/Inport.h"

#include "common/Error.h"
#include "platform/Messages.h"
#include "platform/TextCodec.h"
#include "store/Columns.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "transfer/Browse.h"
#include "transfer/Dlg.h"
#include "transfer/Preview.h"

#include <cmath>
#include <limits>

namespace tobrix {

namespace {

inline constexpr std::string_view kUnmappableNotice[] = {
    sjis<u8"ファイルの文字のうち ">(),
    sjis<u8" 文字はシフトJISで表せないため「?」に置き換えました（最初は ">(),
    sjis<u8" 行目）。">(),
};
inline constexpr std::string_view kMappedNotice =
    sjis<u8"次のユーザーＩＤ・パスワードは、文字をシフトJISの同じ形の文字に置き換えたため、"
         u8"ログインできないことがあります。">();
inline constexpr std::string_view kMappedField[] = {sjis<u8" 行目の">(), sjis<u8"、">()};
inline constexpr std::string_view kMappedMore[] = {sjis<u8" ほか ">(), sjis<u8" 件">()};
constexpr std::size_t kMappedNamed = 3; // named one by one; the rest are counted

// What the user must know before taking over the entries of a file whose text was changed
// as it was read, one sentence a line; empty when nothing the user must look at changed. A
// look-alike taken as its code page 932 character matters only in a user ID or password.
std::string NoticeOf(const TfrmDlg& reader) {
    std::string notice;
    if (reader.UnmappableCount != 0) {
        notice.append(kUnmappableNotice[0]);
        notice.append(std::to_string(reader.UnmappableCount));
        notice.append(kUnmappableNotice[1]);
        notice.append(std::to_string(reader.UnmappableLine));
        notice.append(kUnmappableNotice[2]);
    }
    const auto& mapped = reader.MappedCredentials;
    if (mapped.empty())
        return notice;
    if (!notice.empty())
        notice.append("\r\n");
    notice.append(kMappedNotice);
    notice.append("\r\n");
    for (std::size_t k = 0; k < mapped.size() && k < kMappedNamed; ++k) {
        if (k != 0)
            notice.append(kMappedField[1]);
        notice.append(std::to_string(mapped[k].line));
        notice.append(kMappedField[0]);
        notice.append(kColumnCaptions[mapped[k].field - 1]);
    }
    if (mapped.size() > kMappedNamed) {
        notice.append(kMappedMore[0]);
        notice.append(std::to_string(mapped.size() - kMappedNamed));
        notice.append(kMappedMore[1]);
    }
    return notice;
}

std::int32_t WholeNumber(double value) {
    if (!(value > 0))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(value));
}

// Clears a flag on every way out of a scope.
class Raised {
public:
    explicit Raised(bool& flag) : flag_(flag) { flag_ = true; }
    Raised(const Raised&) = delete;
    Raised& operator=(const Raised&) = delete;
    ~Raised() { flag_ = false; }

private:
    bool& flag_;
};

} // namespace

void SetUpStartField(TNValEdit& numStart) {
    numStart.SetMaxDigits(2);
    numStart.SetFixDecimal(0);
    numStart.NegativeToZero = true;
    numStart.SetPrmtNegative(false);
    numStart.DelAllClear = true;
    numStart.SetZeroDisplay(true);
    numStart.EnterNext = true;
    numStart.ArrowNext = true;
}

TfrmInport::TfrmInport(ItemDataList& items, TSettings& settings, Files& files, Messages& messages,
                       const TextCodec& codec)
    : dlgOpen(files, [&codec](std::string_view first) { return FilePrefixText(std::string(first), codec).text; }),
      items_(items), settings_(settings), files_(files), messages_(messages), codec_(codec) {}

void TfrmInport::FormCreate() {
    Imported = false;
    dlgOpen.Title = std::string(kInportCaption);
    dlgOpen.Filter = std::string(kInportFilter);
    dlgOpen.FilterIndex = 2;
    dlgOpen.Options = {.HideReadOnly = true, .PathMustExist = true, .FileMustExist = true, .EnableSizing = true};
    dlgOpen.SetPreview(true);
}

void TfrmInport::SetCheck(InportCheck box, bool checked) {
    if (View().Checked(box) == checked)
        return;
    View().SetChecked(box, checked);
    if (box == InportCheck::chkSpace)
        chkSpaceClick();
    else if (box == InportCheck::chkETC)
        chkETCClick();
}

void TfrmInport::SetEtcText(std::string_view text) {
    if (View().Text(InportText::txtETC) == std::optional<std::string>(text))
        return;
    View().SetText(InportText::txtETC, text);
    txtETCChange();
}

void TfrmInport::FormShow() {
    View().SetText(InportText::txtFileName, settings_.InportFile);
    View().SetStartValue(settings_.StartNum);
    SetCheck(InportCheck::chkTab, settings_.Tab);
    SetCheck(InportCheck::chkComma, settings_.Comma);
    SetCheck(InportCheck::chkSpace, settings_.Space);
    SetCheck(InportCheck::chkSemi, settings_.Semi);
    SetCheck(InportCheck::chkETC, settings_.Etc);
    SetEtcText(settings_.EtcStr);
    View().SetQuoteIndex(settings_.InpDelim);
    SetCheck(InportCheck::chkSame, settings_.Same);
    SetCheck(InportCheck::chkPreview, settings_.Preview);
}

void TfrmInport::chkSpaceClick() {
    SetCheck(InportCheck::chkSame, View().Checked(InportCheck::chkSpace));
}

void TfrmInport::chkETCClick() {
    if (View().Checked(InportCheck::chkETC))
        View().Focus(InportText::txtETC);
}

void TfrmInport::txtETCChange() {
    const std::optional<std::string> text = View().Text(InportText::txtETC);
    SetCheck(InportCheck::chkETC, !text || !text->empty());
}

std::optional<std::string> TfrmInport::KeptText(InportText box) {
    std::optional<std::string> text = View().Text(box);
    if (!text) {
        WarnNotCp932(messages_, box == InportText::txtFileName ? kInportFileNameField : kInportEtcField);
        View().Focus(box);
    }
    return text;
}

void TfrmInport::cmdShowClick() {
    if (reading_)
        return;
    // The dialog starts where the typed name points when that folder exists; the typed
    // text is then its preselected name.
    if (const std::optional<std::string> text = View().Text(InportText::txtFileName)) {
        if (const std::string_view folder = BrowseFolder(files_, *text); !folder.empty()) {
            dlgOpen.InitialDir = files_.PathOf(folder);
            dlgOpen.FileName = files_.PathOf(*text);
        }
    }
    if (const std::optional<FilePath> chosen = View().RunOpenDialog(dlgOpen)) {
        View().SetFileName(*chosen);
        View().Focus(InportText::txtFileName);
    }
}

void TfrmInport::cmdOKClick() {
    // The window beneath the progress window stays usable while a file is read; a second
    // press must not start a read inside the first.
    if (reading_)
        return;
    Import();
}

void TfrmInport::cmdCancelClick() {
    if (!reading_)
        View().Close();
}

void TfrmInport::Import() {
    const std::optional<std::string> fileName = KeptText(InportText::txtFileName);
    if (!fileName)
        return;
    const bool etc = View().Checked(InportCheck::chkETC);
    const std::optional<std::string> etcText = etc ? KeptText(InportText::txtETC) : View().Text(InportText::txtETC);
    if (etc && !etcText)
        return;

    // Each attempt reads into a list of its own, released on every way out.
    ItemDataList importList;
    TfrmDlg reader(importList, settings_.HidePass, files_, codec_);
    reader.FileName = *fileName;
    reader.SkipLines = WholeNumber(View().StartValue());
    static constexpr std::string_view kQuotes[] = {"\"", "'", ""};
    const int quote = View().QuoteIndex();
    reader.QuoteChar = kQuotes[quote >= 0 && quote <= 2 ? quote : 2];
    // A delimiter whose box is off stays empty, and so inactive.
    const auto active = [this](InportCheck box, char delimiter) {
        return std::string(View().Checked(box) ? 1 : 0, delimiter);
    };
    reader.TabDelim = active(InportCheck::chkTab, '\t');
    reader.CommaDelim = active(InportCheck::chkComma, ',');
    reader.SpaceDelim = active(InportCheck::chkSpace, ' ');
    reader.SemiDelim = active(InportCheck::chkSemi, ';');
    reader.EtcDelim = etc ? *etcText : std::string();
    reader.SameAsOne = View().Checked(InportCheck::chkSame);
    {
        Raised reading(reading_);
        View().RunReader(reader);
    }
    if (!reader.Running)
        return;
    if (importList.Count() == 0) {
        messages_.ShowCaptioned(kMsgNothingToImport, kCaptionDataError, MessageIcon::Warning);
        return;
    }
    // Text that was changed as it was read is always shown before it is taken over.
    const std::string notice = NoticeOf(reader);
    bool accepted = true;
    if (View().Checked(InportCheck::chkPreview) || !notice.empty()) {
        TfrmPreview preview(importList, notice);
        View().RunPreview(preview);
        accepted = preview.Accepted;
    }
    if (!accepted)
        return;

    MergeImport(importList, items_);
    Imported = true;
    settings_.InportFile = *fileName;
    settings_.StartNum = WholeNumber(View().StartValue());
    settings_.Tab = View().Checked(InportCheck::chkTab);
    settings_.Comma = View().Checked(InportCheck::chkComma);
    settings_.Space = View().Checked(InportCheck::chkSpace);
    settings_.Semi = View().Checked(InportCheck::chkSemi);
    settings_.Etc = etc;
    settings_.EtcStr = etcText.value_or(std::string());
    settings_.InpDelim = View().QuoteIndex();
    settings_.Same = View().Checked(InportCheck::chkSame);
    settings_.Preview = View().Checked(InportCheck::chkPreview);
    View().Close();
}

} // namespace tobrix
