#include "platform/TextCodec.h"

#include "common/Cp932.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace tobrix {

namespace {

constexpr char16_t kReplacement = 0xFFFD; // never held by code page 932: it becomes '?'

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// UTF-8 to UTF-16. A malformed sequence (its longest start that could still have become a
// character) is one replacement character; at the end of a prefix a sequence that is only
// cut short is dropped instead.
std::u16string DecodeUtf8(std::string_view in, bool prefix) {
    std::u16string out;
    out.reserve(in.size());
    std::size_t i = 0;
    while (i < in.size()) {
        const unsigned char lead = static_cast<unsigned char>(in[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        int extra = 0;
        unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
        char32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            code = lead & 0x0Fu;
            if (lead == 0xE0)
                low = 0xA0; // no overlong forms
            else if (lead == 0xED)
                high = 0x9F; // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            code = lead & 0x07u;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F; // nothing above U+10FFFF
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        int taken = 0;
        while (taken < extra && j < in.size()) {
            const unsigned char b = static_cast<unsigned char>(in[j]);
            if (taken == 0 ? (b < low || b > high) : !IsContinuation(b))
                break;
            code = (code << 6) | (b & 0x3Fu);
            ++j;
            ++taken;
        }
        if (taken < extra) {
            if (!(prefix && j == in.size()))
                out.push_back(kReplacement);
        } else if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i = j;
    }
    return out;
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// UTF-16 LE bytes to UTF-16, lone surrogates and an odd last byte replaced (dropped at the
// end of a prefix, where they may be a character cut in two).
std::u16string DecodeUtf16Le(std::string_view in, bool prefix) {
    std::u16string out;
    out.reserve(in.size() / 2 + 1);
    const std::size_t units = in.size() / 2;
    for (std::size_t k = 0; k < units; ++k) {
        const char16_t c = static_cast<char16_t>(static_cast<unsigned char>(in[2 * k]) |
                                                 static_cast<unsigned char>(in[2 * k + 1]) << 8);
        if (IsHigh(c)) {
            if (k + 1 < units) {
                const char16_t next = static_cast<char16_t>(static_cast<unsigned char>(in[2 * k + 2]) |
                                                            static_cast<unsigned char>(in[2 * k + 3]) << 8);
                if (IsLow(next)) {
                    out.push_back(c);
                    out.push_back(next);
                    ++k;
                    continue;
                }
            } else if (prefix) {
                return out; // the pair is cut off
            }
            out.push_back(kReplacement);
        } else if (IsLow(c)) {
            out.push_back(kReplacement);
        } else {
            out.push_back(c);
        }
    }
    if (in.size() % 2 != 0 && !prefix)
        out.push_back(kReplacement);
    return out;
}

bool HasLookAlike(std::u16string_view text) {
    for (const char16_t c : text)
        if (LookAlikeOf(c) != nullptr)
            return true;
    return false;
}

// Appends a piece of a line that holds no look-alike; when it loses characters, converts it
// character by character so that each such character is one '?' and is counted.
void AppendPiece(std::u16string_view piece, const TextCodec& codec, std::string& out, ChangedLine& change,
                 std::vector<std::size_t>& lostAt) {
    bool lossy = false;
    std::string converted = codec.FromUtf16(piece, lossy);
    if (!lossy) {
        out += converted;
        return;
    }
    for (std::size_t k = 0; k < piece.size();) {
        const std::size_t units = IsHigh(piece[k]) && k + 1 < piece.size() ? 2 : 1;
        bool lost = false;
        std::string one = codec.FromUtf16(piece.substr(k, units), lost);
        if (lost) {
            lostAt.push_back(out.size());
            out += '?';
            ++change.unmappable;
        } else {
            out += one;
        }
        k += units;
    }
}

// Converts line by line, so that what changed is known by line: the look-alikes become
// their bytes of code page 932, and what cannot be held is counted. Lines end as the line
// splitter ends them (CR, LF, CR LF); CR and LF are the same single bytes in CP932.
Cp932Text ConvertCounting(std::u16string_view text, const TextCodec& codec) {
    Cp932Text out;
    out.text.reserve(text.size());
    std::size_t pos = 0;
    for (std::size_t line = 1; pos < text.size(); ++line) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        ChangedLine change;
        change.line = line;
        const std::size_t lineStart = out.text.size();
        std::size_t piece = pos;
        for (std::size_t k = pos; k < end; ++k) {
            if (const LookAlike* l = LookAlikeOf(text[k])) {
                AppendPiece(text.substr(piece, k - piece), codec, out.text, change, out.lostAt);
                change.mapped.push_back(out.text.size() - lineStart);
                out.mappedAt.push_back(out.text.size());
                out.text += l->lead;
                out.text += l->trail;
                piece = k + 1;
            }
        }
        AppendPiece(text.substr(piece, end - piece), codec, out.text, change, out.lostAt);
        if (change.unmappable != 0 || !change.mapped.empty())
            out.changed.push_back(std::move(change));
        if (end < text.size()) {
            out.text += static_cast<char>(text[end]);
            if (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') {
                out.text += '\n';
                ++end;
            }
            ++end;
        }
        pos = end;
    }
    return out;
}

Cp932Text Decode(std::string bytes, const TextCodec& codec, bool prefix, TextMark mark) {
    if (mark.encoding == TextEncoding::Cp932)
        return {std::move(bytes), {}, {}, {}};
    const std::string_view body = std::string_view(bytes).substr(mark.length);
    std::u16string wide = mark.encoding == TextEncoding::Utf8 ? DecodeUtf8(body, prefix) : DecodeUtf16Le(body, prefix);
    const std::size_t nul = wide.find(u'\0');
    if (nul != std::u16string::npos)
        wide.resize(nul);
    // Most texts change nowhere: one conversion of the whole.
    if (!HasLookAlike(wide)) {
        bool lossy = false;
        std::string whole = codec.FromUtf16(wide, lossy);
        if (!lossy)
            return {std::move(whole), {}, {}, {}};
    }
    return ConvertCounting(wide, codec);
}

} // namespace

TextMark DetectTextMark(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return {TextEncoding::Utf8, 3};
    if (bytes.substr(0, 2) == "\xFF\xFE")
        return {TextEncoding::Utf16Le, 2};
    return {};
}

Cp932Text FileText(std::string bytes, const TextCodec& codec) {
    const TextMark mark = DetectTextMark(bytes);
    return Decode(std::move(bytes), codec, false, mark);
}

Cp932Text FilePrefixText(std::string bytes, const TextCodec& codec) {
    const TextMark mark = DetectTextMark(bytes);
    return Decode(std::move(bytes), codec, true, mark);
}

Cp932Text Utf8OrCp932FileText(std::string bytes, const TextCodec& codec, TextEncoding& encoding) {
    TextMark mark = DetectTextMark(bytes);
    if (mark.encoding == TextEncoding::Cp932 && bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
        // UTF-16 big-endian: its bytes swapped pair by pair into the little-endian form.
        for (std::size_t k = 0; k + 1 < bytes.size(); k += 2)
            std::swap(bytes[k], bytes[k + 1]);
        mark = {TextEncoding::Utf16Le, 2};
    } else if (mark.encoding == TextEncoding::Cp932 && IsUtf8(bytes)) {
        mark = {TextEncoding::Utf8, 0};
    }
    encoding = mark.encoding;
    return Decode(std::move(bytes), codec, false, mark);
}

bool IsUtf8(std::string_view bytes) {
    std::size_t i = 0;
    const std::size_t size = bytes.size();
    while (i < size) {
        // Runs of ASCII eight bytes at a time: most of an export is.
        while (i + 8 <= size) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, 8);
            if ((word & 0x8080808080808080u) != 0)
                break;
            i += 8;
        }
        if (i >= size)
            break;
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int extra = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (size - i <= static_cast<std::size_t>(extra)) // cut short at the end
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char b = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            if (k == 1 ? (b < low || b > high) : !IsContinuation(b))
                return false;
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

} // namespace tobrix
