#pragma once
// The import options dialog: which file, how its lines are cut into fields, and whether the
// entries are shown before they are taken over. Its OK button runs the whole import.

#include "common/Cp932Literal.h"
#include "controls/NValEdit.h"
#include "controls/TextDlgs.h"
#include "platform/Files.h"

#include <optional>
#include <string>
#include <string_view>

namespace tobrix {

class ItemDataList;
class Messages;
class TextCodec;
class TfrmDlg;
class TfrmPreview;
struct TSettings;

inline constexpr std::string_view kInportCaption = sjis<u8"ファイルの取り込み">();
inline constexpr std::string_view kMsgNothingToImport = sjis<u8"取り込めるデータが１件もありません。">();
inline constexpr std::string_view kCaptionDataError = sjis<u8"データエラー">();
inline constexpr std::string_view kInportFilter =
    sjis<u8"テキスト（タブ区切り）(*.txt)|*.txt|ＣＳＶ（カンマ区切り）(*.csv)|*.csv|すべてのファイル(*.*)|*.*">();
// The boxes as the refusal of text that code page 932 cannot hold names them.
inline constexpr std::string_view kInportFileNameField = sjis<u8"読込元ファイル名">();
inline constexpr std::string_view kInportEtcField = sjis<u8"その他の区切り文字">();

// numStart's design state: two digits, whole numbers, zero shown, Delete clears, Enter and
// the arrows move on. No line count is negative: a negative number given to the field (a
// stored one, a pasted one) becomes 0, not its absolute value.
void SetUpStartField(TNValEdit& numStart);

enum class InportCheck { chkTab, chkComma, chkSpace, chkSemi, chkETC, chkSame, chkPreview };
enum class InportText { txtFileName, txtETC };

// What TfrmInport needs of its window. Setters made by the program run no handler: the
// presenter runs the ones the form would run itself.
class InportView {
public:
    virtual ~InportView() = default;
    // The box's text, or nothing when it holds characters that code page 932 cannot hold.
    virtual std::optional<std::string> Text(InportText box) const = 0;
    virtual void SetText(InportText box, std::string_view cp932) = 0;
    // A file picked in the open dialog goes into txtFileName as the system names it.
    virtual void SetFileName(const FilePath& path) = 0;
    virtual bool Checked(InportCheck box) const = 0;
    virtual void SetChecked(InportCheck box, bool checked) = 0;
    // numStart's value; setting it moves upStart along.
    virtual double StartValue() const = 0;
    virtual void SetStartValue(double value) = 0;
    // optDelim: 0 the double quote, 1 the apostrophe, 2 none.
    virtual int QuoteIndex() const = 0;
    virtual void SetQuoteIndex(int index) = 0;
    virtual void Focus(InportText box) = 0;
    virtual void Close() = 0;

    // Shows the progress window over this one without making it modal, runs the read,
    // hides the window and lets pending events run. An error of the read goes to the caller.
    virtual void RunReader(TfrmDlg& reader) = 0;
    virtual void RunPreview(TfrmPreview& preview) = 0;
    // The file the user confirmed, or nothing when cancelled.
    virtual std::optional<FilePath> RunOpenDialog(TTextOpenDialog& dialog) = 0;
};

class TfrmInport {
public:
    TfrmInport(ItemDataList& items, TSettings& settings, Files& files, Messages& messages, const TextCodec& codec);

    // The window calls this once it exists, before FormShow, and Detach when it goes.
    void Attach(InportView& view) { view_ = &view; }
    void Detach() { view_ = nullptr; }

    // Set once entries were appended to the ItemList.
    bool Imported = false;
    TTextOpenDialog dlgOpen;

    void FormCreate();
    void FormShow();
    void chkSpaceClick();
    void chkETCClick();
    void txtETCChange();
    void cmdShowClick();
    void cmdOKClick();
    void cmdCancelClick();

    // A read is running: the window must not start another one nor close under it.
    bool Reading() const { return reading_; }

private:
    InportView& View() const { return *view_; }
    // The check box and text box changes of the program, with the handlers they trigger
    // when the state really changes.
    void SetCheck(InportCheck box, bool checked);
    void SetEtcText(std::string_view text);
    std::optional<std::string> KeptText(InportText box);
    void Import();

    ItemDataList& items_;
    TSettings& settings_;
    Files& files_;
    Messages& messages_;
    const TextCodec& codec_;
    InportView* view_ = nullptr;
    bool reading_ = false;
};

} // namespace tobrix
