#pragma once
// Helpers for 8-bit text in code page 932 (Shift-JIS). A lead byte 0x81-0x9F or 0xE0-0xFC
// and the byte after it form one character; searches that look for a delimiter walk the
// text character by character so that a second byte never counts as one.

#include <cstddef>
#include <string_view>

namespace tobrix {

constexpr bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Characters of code page 932 that Mac, Linux, Java and the web write with other code points
// than Windows' table reads from their bytes (`windows`): without this table, text from
// those systems would lose them. The yen sign U+00A5 and the overline U+203E are left out on
// purpose: 0x5C and 0x7E are the backslash and the tilde, and code page 932 has no character
// of their own for them.
struct LookAlike {
    char16_t other;
    char16_t windows;
    char lead, trail;
};
inline constexpr LookAlike kLookAlikes[] = {
    {u'\u301C', u'\uFF5E', '\x81', '\x60'}, // wave dash
    {u'\u2212', u'\uFF0D', '\x81', '\x7C'}, // minus sign
    {u'\u2016', u'\u2225', '\x81', '\x61'}, // double vertical line
    {u'\u2014', u'\u2015', '\x81', '\x5C'}, // em dash
    {u'\u00A2', u'\uFFE0', '\x81', '\x91'}, // cent sign
    {u'\u00A3', u'\uFFE1', '\x81', '\x92'}, // pound sign
    {u'\u00AC', u'\uFFE2', '\x81', '\xCA'}, // not sign
};

// The look-alike that `c` is, or nullptr. Most characters are turned away by one range test.
constexpr const LookAlike* LookAlikeOf(char16_t c) {
    if (c < u'\u00A2' || c > u'\u301C')
        return nullptr;
    for (const LookAlike& l : kLookAlikes)
        if (l.other == c)
            return &l;
    return nullptr;
}

// Whether a conversion takes the look-alikes as their code page 932 characters. Where a
// look-alike is a different text (a user ID, a password, a file name), it is refused like
// any character that code page 932 cannot hold.
enum class LookAlikes { Refused, Mapped };

// Bytes of the character that starts at pos: 2 for a lead byte with a byte after it, else 1.
std::size_t CharLength(std::string_view text, std::size_t pos);

// Position of the first character at or after `from` that is the single byte c, or npos.
// `from` must be the start of a character.
std::size_t FindChar(std::string_view text, char c, std::size_t from = 0);

// The folder part of a path typed as text: everything up to and including the last "\" or
// "/" that is a character of its own (never the second byte of a double-byte character);
// empty for a bare file name, and for "C:name", which depends on the drive's current folder.
std::string_view DirectoryPart(std::string_view path);

// The text up to its first NUL byte (all of it when there is none).
std::string_view UntilNul(std::string_view text);

// Byte-wise equality with the ASCII letters compared without regard to case. Meant for an
// ASCII word on one side: a lead byte never equals one of its bytes, so no second byte is
// ever taken for a letter.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
inline bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// Splits a text into lines: a line ends at CR, at LF or at the pair CR LF; the first NUL
// ends the text; the last line counts without a line end, and a line end at the very end
// makes no further line.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool Next(std::string_view& line);
    // Bytes consumed so far, line ends included.
    std::size_t Position() const { return pos_; }

private:
    // Shortened to the first NUL once the scan meets it, so that no pass over the whole
    // text is needed before the first line.
    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace tobrix
