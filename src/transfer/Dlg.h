#pragma once
// The delimited text reader: reads a text file into entries of the import list, one entry
// per line, inside a small progress window with a Cancel button.

#include "common/ByteScan.h"
#include "common/Cp932Literal.h"
#include "common/Busy.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix {

class Files;
class ItemDataList;
class TextCodec;
struct ChangedLine;
struct TVirtualItem;

inline constexpr std::string_view kDlgCaption = sjis<u8"取り込み中...">();
inline constexpr std::string_view kDlgReading = sjis<u8" を読み込み中．．．">();
inline constexpr std::string_view kDlgButtonCancel = sjis<u8"キャンセル">();

// The lines of a text: a line ends at CR, LF or CR LF; the first NUL ends the text; the
// last line counts without a line end. The views point into `text`.
std::vector<std::string_view> SplitLines(std::string_view text);
// How many lines SplitLines would give, without keeping them.
std::size_t CountLines(std::string_view text);

// The delimiters in the order of their codes 1 to 5 (tab, comma, space, semicolon, other);
// an empty one is inactive.
using Delimiters = std::array<std::string_view, 5>;

// The code (1 to 5) of the last delimiter equal to the character, 0 when none is.
int DelimiterCodeOf(std::string_view ch, const Delimiters& delimiters);

// The field without its enclosing quote characters: only when it starts and ends with the
// quote (one quote alone gives the empty field); anything else comes back unchanged.
std::string_view UnquoteField(std::string_view field, std::string_view quote);

#ifdef _MSC_VER
#pragma warning(push)
#pragma warning(disable : 4324) // padded for the alignment of its scan::ByteSet
#endif
// Turns one line into an entry's fields, walking it character by character so that the
// second byte of a double-byte character is never taken for a delimiter.
class LineParser {
public:
    LineParser(const Delimiters& delimiters, std::string_view quote, bool sameAsOne, bool hidePass);
    // Fills the fields of a new entry (positions 1 to 5: title, user ID, password, memo,
    // address; later ones are dropped). A byte 0x08 becomes a blank, since the data file
    // uses it to separate the fields; a lead byte without its second byte at the end of a
    // field becomes '?'. Returns how many fields were changed so.
    int Parse(std::string_view line, TVirtualItem& item) const;

    // Which fields hold one of the double-byte characters that begin at the offsets `at`: bit
    // k - 1 for field k. For the few lines whose text was changed as the file was read, so it
    // leaves Parse as it is: the line is parsed again with those characters changed, and the
    // fields that come out different are theirs. A delimiter is in no field; a character
    // that is the quote is not looked for.
    unsigned FieldsHolding(std::string_view line, const std::vector<std::size_t>& at) const;

private:
    // `separator`: the field holds a byte 0x08.
    // True when the field's last, half character became '?'.
    bool Store(std::string_view field, int number, bool separator, TVirtualItem& item) const;

    std::array<unsigned char, 256> byteCodes_{};     // codes of the one-byte characters
    std::array<unsigned char, 256> loneLeadCodes_{}; // codes of lead bytes with nothing after them
    struct DoubleByteDelimiter {
        char lead, trail;
        int code;
    };
    std::vector<DoubleByteDelimiter> doubleByte_; // delimiters that are double-byte characters
    scan::ByteSet stops_; // the bytes below 0x80 that are delimiters or 0x08
    // Some delimiter is a byte from 0x80 or a double-byte character: every byte from 0x80
    // has to be looked at. Otherwise those bytes only tell where characters start.
    bool highStops_ = false;
    std::string quote_;
    bool sameAsOne_;
    bool hidePass_;
}; // C4324 is reported here, at the closing brace: the pop comes after it
#ifdef _MSC_VER
#pragma warning(pop)
#endif

// What TfrmDlg needs of its window; the hourglass while the file is read (BusyView).
class DlgView : public BusyView {
public:
    virtual void SetCaptionText(std::string_view cp932) = 0; // lblCaption
    // The progress bar runs from 0 to max and goes back to 0.
    virtual void SetProgressMax(int max) = 0;
    virtual void StepProgress() = 0;
    virtual void Repaint() = 0;
    // Lets the user-interface events that are waiting run (repaint, the Cancel button). The
    // window may leave out calls that come too close after each other.
    virtual void ProcessPendingEvents() = 0;
};

// A read that runs under the progress window: the window shows its progress, and its Cancel
// button turns Running off.
class DlgRead {
public:
    virtual ~DlgRead() = default;
    // The window during Read; detached before the window goes.
    void SetView(DlgView& view) { view_ = &view; }
    void Detach() { view_ = nullptr; }
    // True from the start of a run; the Cancel button turns it off.
    bool Running = false;
    void cmdCancelClick() { Running = false; }
    // Reads, through the window when there is one. Errors go to the caller.
    virtual void Read() = 0;

protected:
    DlgView* view_ = nullptr;
};

// For a run without a window (benchmarks, tools).
class NoDlgView final : public DlgView {
public:
    void SetCaptionText(std::string_view) override {}
    void SetProgressMax(int) override {}
    void StepProgress() override {}
    void Repaint() override {}
    void ProcessPendingEvents() override {}
    void SetBusy(bool) override {}
};

class TfrmDlg final : public DlgRead {
public:
    TfrmDlg(ItemDataList& importList, bool hidePass, Files& files, const TextCodec& codec)
        : importList_(importList), hidePass_(hidePass), files_(files), codec_(codec) {}

    std::string FileName; // CP932 as typed
    int SkipLines = 0;
    std::string QuoteChar, TabDelim, CommaDelim, SpaceDelim, SemiDelim, EtcDelim;
    bool SameAsOne = false;
    // Characters that became '?' on the lines taken in: in a Unicode file, those code page 932
    // cannot hold; in any file, a lead byte that lost its second byte at the end of a field.
    std::size_t UnmappableCount = 0;
    std::size_t UnmappableLine = 0; // the first line (from 1) that holds one; 0 when none
    // The user IDs and passwords taken in whose look-alikes became the code page 932
    // characters they stand for: to a site, another credential than the file's. In line order.
    struct MappedField {
        std::size_t line; // of the file, from 1
        int field;        // 2 the user ID, 3 the password
        bool operator==(const MappedField&) const = default;
    };
    std::vector<MappedField> MappedCredentials;

    // Appends one entry per non-empty line after the skipped ones. Throws AppError when the
    // file cannot be opened or read, with the cursor restored.
    void ReadTextFile();
    void Read() override { ReadTextFile(); }

    int DelimiterCode(std::string_view ch) const { return DelimiterCodeOf(ch, ActiveDelimiters()); }
    std::string Unquote(std::string_view field) const { return std::string(UnquoteField(field, QuoteChar)); }

private:
    Delimiters ActiveDelimiters() const { return {TabDelim, CommaDelim, SpaceDelim, SemiDelim, EtcDelim}; }
    std::string ReadWholeFile() const;
    // Counts what changed on the line of the file numbered `number` as it was taken in:
    // `halves` from the parser, `change` from the conversion (nullptr: nothing).
    void NoteChanges(std::size_t number, std::string_view line, int halves, const ChangedLine* change,
                     const LineParser& parser);

    ItemDataList& importList_;
    bool hidePass_;
    Files& files_;
    const TextCodec& codec_;
};

} // namespace tobrix
