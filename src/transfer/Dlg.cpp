#include "transfer/Dlg.h"

#include "common/ByteScan.h"
#include "common/Cp932.h"
#include "common/Error.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "store/ItemDataList.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <memory>

namespace tobrix {

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    LineReader reader(text);
    std::string_view line;
    while (reader.Next(line))
        lines.push_back(line);
    return lines;
}

std::size_t CountLines(std::string_view text) {
    // Every LF ends a line, and every CR but one right before an LF; the text ends at the
    // first NUL, and a last line without an end counts too.
    const scan::Splat cr('\r'), lf('\n'), nul('\0');
    const char* const data = text.data();
    std::size_t count = 0;
    scan::Mask crBefore = 0; // a CR at the end of the previous block, as the bit of byte 0
    std::size_t i = 0;
    for (;; i += scan::kBlock) {
        const std::size_t left = text.size() - i;
        const scan::Block block = left >= scan::kBlock ? scan::Block(data + i) : scan::PaddedBlock(data + i, left);
        scan::Mask crs = block.Equal(cr);
        scan::Mask lfs = block.Equal(lf);
        const scan::Mask nuls = block.Equal(nul); // the padding counts as one
        const bool last = nuls != 0;
        std::size_t end = scan::kBlock;
        if (last) {
            end = scan::First(nuls);
            const scan::Mask before = scan::Before(end);
            crs &= before;
            lfs &= before;
        }
        // The line ends: the CRs and the LFs that do not follow one (the two never overlap).
        if (const scan::Mask ends = crs | (lfs & ~(scan::Later(crs) | crBefore)); ends != 0)
            count += static_cast<std::size_t>(scan::Count(ends));
        if (last) {
            // A last line that does not end in CR or LF.
            const std::size_t size = i + end;
            if (size > 0 && data[size - 1] != '\r' && data[size - 1] != '\n')
                ++count;
            return count;
        }
        crBefore = scan::CarryLast(crs);
    }
}

int DelimiterCodeOf(std::string_view ch, const Delimiters& delimiters) {
    int code = 0;
    for (std::size_t k = 0; k < delimiters.size(); ++k)
        if (!delimiters[k].empty() && delimiters[k] == ch)
            code = static_cast<int>(k) + 1;
    return code;
}

std::string_view UnquoteField(std::string_view field, std::string_view quote) {
    if (quote.size() == 1) { // the usual case, without a comparison call per field
        if (field.empty() || field.front() != quote[0] || field.back() != quote[0])
            return field;
        return field.size() == 1 ? std::string_view() : field.substr(1, field.size() - 2);
    }
    if (quote.empty() || !field.starts_with(quote) || !field.ends_with(quote))
        return field;
    if (field.size() == quote.size())
        return {}; // the quote character alone
    if (field.size() < 2 * quote.size())
        return field; // a double-byte quote whose two ends overlap
    return field.substr(quote.size(), field.size() - 2 * quote.size());
}

namespace {
// The entry's fields by their position in the line, from 1.
constexpr std::string TVirtualItem::*kFields[] = {&TVirtualItem::Title, &TVirtualItem::UserID,
                                                  &TVirtualItem::Password, &TVirtualItem::Memo, &TVirtualItem::URL};
// Kinds of bytes besides the delimiter codes 1 to 5 (0 is an ordinary byte).
constexpr unsigned char kLead = 6;      // the start of a double-byte character
constexpr unsigned char kSeparator = 7; // 0x08, the data file's field separator
} // namespace

LineParser::LineParser(const Delimiters& delimiters, std::string_view quote, bool sameAsOne, bool hidePass)
    : quote_(quote), sameAsOne_(sameAsOne), hidePass_(hidePass) {
    for (int b = 0; b < 256; ++b) {
        const char ch = static_cast<char>(b);
        // A lead byte is a character of its own only at the end of a line, where its code
        // is looked up apart.
        const auto code = static_cast<unsigned char>(DelimiterCodeOf(std::string_view(&ch, 1), delimiters));
        const bool lead = IsLeadByte(static_cast<unsigned char>(b));
        byteCodes_[static_cast<std::size_t>(b)] = lead ? kLead : code == 0 && ch == '\x08' ? kSeparator : code;
        loneLeadCodes_[static_cast<std::size_t>(b)] = lead ? code : 0;
    }
    for (std::string_view d : delimiters)
        if (d.size() == 2 && IsLeadByte(static_cast<unsigned char>(d[0])))
            doubleByte_.push_back({d[0], d[1], DelimiterCodeOf(d, delimiters)});
    highStops_ = !doubleByte_.empty();
    for (std::size_t b = 0x80; b < 0x100; ++b)
        highStops_ = highStops_ || (byteCodes_[b] != 0 && byteCodes_[b] != kLead) || loneLeadCodes_[b] != 0;
    // At most five delimiters and 0x08, which is always one of them.
    std::array<unsigned char, scan::ByteSet::kMax> stops{};
    std::size_t count = 0;
    for (std::size_t b = 0; b < 0x80; ++b)
        if (byteCodes_[b] != 0 && count < stops.size())
            stops[count++] = static_cast<unsigned char>(b);
    stops_ = scan::ByteSet(stops.data(), count);
}

int LineParser::Parse(std::string_view line, TVirtualItem& item) const {
    const char* const data = line.data();
    const std::size_t size = line.size();
    int number = 1;
    int halves = 0;
    std::size_t fieldStart = 0;
    int previous = 0;
    bool separator = false; // the field begun so far holds a 0x08
    std::size_t next = 0;   // where the next character starts, past a second byte
    // Only the bytes that may mean something are looked at one by one: those below 0x80
    // that are delimiters or 0x08, and, when a delimiter lies above 0x7F, all from 0x80.
    const auto stopsIn = [this](const scan::Block& block) {
        return highStops_ ? stops_.In(block) | block.High() : stops_.In(block);
    };
    for (std::size_t base = 0; base < size; base += 64) {
        for (std::uint64_t stops = scan::Mask64(data, base, std::min<std::size_t>(size - base, 64), stopsIn);
             stops != 0; stops &= stops - 1) {
            const std::size_t i = base + static_cast<std::size_t>(std::countr_zero(stops));
            if (i < next)
                continue; // the second byte of a double-byte character already passed
            // The lead bytes that were not stopped at: the byte is the second one of a
            // character when an odd run of lead-byte values comes right before it (a byte
            // that is no lead-byte value always ends a character).
            std::size_t run = 0;
            while (i - run > next && IsLeadByte(static_cast<unsigned char>(data[i - run - 1])))
                ++run;
            if (run % 2 != 0) {
                separator = separator || data[i] == '\x08'; // an invalid pair, but bytes all the same
                next = i + 1;
                continue;
            }
            const unsigned char kind = byteCodes_[static_cast<unsigned char>(data[i])];
            if (kind == 0)
                continue;
            if (kind == kSeparator) {
                separator = true;
                continue;
            }
            int code = kind;
            std::size_t length = 1;
            if (kind == kLead) {
                if (i + 1 < size) {
                    length = 2;
                    code = 0;
                    separator = separator || data[i + 1] == '\x08'; // an invalid pair, but bytes all the same
                    for (const DoubleByteDelimiter& d : doubleByte_)
                        if (d.lead == data[i] && d.trail == data[i + 1])
                            code = d.code;
                } else {
                    code = loneLeadCodes_[static_cast<unsigned char>(data[i])]; // a character of its own
                }
            }
            next = i + length;
            if (code == 0)
                continue;
            if (sameAsOne_ && code == previous && i == fieldStart) {
                fieldStart = i + length; // a run of the same delimiter counts as one
            } else {
                halves += Store(line.substr(fieldStart, i - fieldStart), number, separator, item) ? 1 : 0;
                separator = false;
                if (++number > 5)
                    return halves; // later fields are dropped
                fieldStart = i + length;
            }
            previous = code;
        }
    }
    halves += Store(line.substr(fieldStart), number, separator, item) ? 1 : 0;
    return halves;
}

unsigned LineParser::FieldsHolding(std::string_view line, const std::vector<std::size_t>& at) const {
    // A stand-in for each such character: another double-byte character that is no
    // delimiter and not the quote, so that the line splits and unquotes as before.
    const auto plain = [this](std::string_view ch) {
        return ch != quote_ && std::none_of(doubleByte_.begin(), doubleByte_.end(), [&](const DoubleByteDelimiter& d) {
                   return d.lead == ch[0] && d.trail == ch[1];
               });
    };
    std::string changed(line);
    for (const std::size_t k : at) {
        if (k + 1 >= line.size() || !plain(line.substr(k, 2)))
            continue;
        for (const char* standIn : {"\x81\x40", "\x81\x41", "\x81\x42"}) {
            if (line.substr(k, 2) != standIn && plain(standIn)) {
                changed[k] = standIn[0];
                changed[k + 1] = standIn[1];
                break;
            }
        }
    }
    TVirtualItem before, after;
    Parse(line, before);
    Parse(changed, after);
    unsigned fields = 0;
    for (std::size_t k = 0; k < std::size(kFields); ++k)
        fields |= before.*kFields[k] != after.*kFields[k] ? 1u << k : 0u;
    return fields;
}

bool LineParser::Store(std::string_view field, int number, bool separator, TVirtualItem& item) const {
    if (quote_.size() == 1) { // the usual case, without a call per field
        if (!field.empty() && field.front() == quote_[0] && field.back() == quote_[0])
            field = field.size() == 1 ? std::string_view() : field.substr(1, field.size() - 2);
    } else {
        field = UnquoteField(field, quote_);
    }
    // A field never ends in half a character (a lead byte alone at the end of the line, or
    // one whose second byte was a closing quote): wherever a separator follows the field,
    // in the data file or in an export, it would be taken for the missing second byte.
    // A lead byte after the last byte that is none ends a character when the run is even.
    std::size_t run = 0;
    while (run < field.size() && IsLeadByte(static_cast<unsigned char>(field[field.size() - 1 - run])))
        ++run;
    const bool half = run % 2 != 0;
    std::string& target = item.*kFields[number - 1];
    target.assign(field);
    if (separator)
        std::replace(target.begin(), target.end(), '\x08', ' ');
    if (half)
        target.back() = '?';
    if (number == 3) {
        if (hidePass_)
            item.MaskedPassword.assign(item.Password.size(), '*'); // as MaskOf, without a temporary
        else
            item.MaskedPassword = item.Password;
    }
    return half;
}


std::string TfrmDlg::ReadWholeFile() const {
    // An empty name is no file at all, whatever the system would make of it.
    std::unique_ptr<ByteSource> file = FileName.empty() ? nullptr : files_.OpenRead(files_.PathOf(FileName));
    if (!file)
        throw AppError(Substitute(kMsgCannotOpen, FileName));
    return ReadAll(*file);
}

void TfrmDlg::NoteChanges(std::size_t number, std::string_view line, int halves, const ChangedLine* change,
                          const LineParser& parser) {
    // A character cut in half is changed like one that code page 932 cannot hold, and
    // reported with them.
    const std::size_t lost = static_cast<std::size_t>(halves) + (change != nullptr ? change->unmappable : 0);
    if (lost != 0 && UnmappableCount == 0)
        UnmappableLine = number;
    UnmappableCount += lost;
    if (change == nullptr || change->mapped.empty())
        return;
    const unsigned fields = parser.FieldsHolding(line, change->mapped);
    for (const int field : {2, 3})
        if ((fields >> (field - 1) & 1) != 0)
            MappedCredentials.push_back({number, field});
}

void TfrmDlg::ReadTextFile() {
    NoDlgView noView;
    DlgView& view = view_ != nullptr ? *view_ : noView;
    Running = true;
    UnmappableCount = 0;
    UnmappableLine = 0;
    MappedCredentials.clear();
    const BusyCursor busy(view);
    std::string caption = FileName;
    caption += kDlgReading;
    view.SetCaptionText(caption);

    const Cp932Text text = FileText(ReadWholeFile(), codec_);
    // Counted first and then cut again as they are parsed: a second scan costs less than a
    // list of a million lines.
    const std::size_t total = CountLines(text.text);
    const std::size_t skip = SkipLines > 0 ? static_cast<std::size_t>(SkipLines) : 0;
    const std::size_t count = skip < total ? total - skip : 0;
    view.SetProgressMax(static_cast<int>(std::min<std::size_t>(count, INT_MAX)));
    view.Repaint();

    const LineParser parser({TabDelim, CommaDelim, SpaceDelim, SemiDelim, EtcDelim}, QuoteChar, SameAsOne, hidePass_);
    importList_.Reserve(static_cast<std::size_t>(importList_.Count()) + count);
    LineReader reader(text.text);
    std::string_view line;
    for (std::size_t i = 0; i < skip && reader.Next(line); ++i) {
    }
    std::size_t number = skip; // of the line in the file, from 1
    auto change = text.changed.begin(); // the next changed line not before this one
    while (reader.Next(line)) {
        ++number;
        if (!line.empty()) {
            while (change != text.changed.end() && change->line < number)
                ++change; // a skipped line's changes are not the import's
            const ChangedLine* changed = change != text.changed.end() && change->line == number ? &*change : nullptr;
            const int halves = parser.Parse(line, importList_.AppendNew());
            if (halves != 0 || changed != nullptr)
                NoteChanges(number, line, halves, changed, parser);
        }
        view.StepProgress();
        view.ProcessPendingEvents();
        if (!Running)
            break;
    }
}

} // namespace tobrix
