#pragma once
// Text files that carry a Unicode mark are turned into the program's CP932 text before
// anything else looks at them; files without a mark are taken byte for byte.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix {

enum class TextEncoding { Cp932, Utf8, Utf16Le };

struct TextMark {
    TextEncoding encoding = TextEncoding::Cp932;
    std::size_t length = 0; // bytes of the mark (0 for none)
};

// EF BB BF opens UTF-8, FF FE opens UTF-16 LE; anything else is CP932 without a mark.
TextMark DetectTextMark(std::string_view bytes);

// Unicode to CP932 and back, the conversions that need the system's own table.
class TextCodec {
public:
    virtual ~TextCodec() = default;
    // The text (well-formed UTF-16: no lone surrogates) in CP932, as Windows' table has it.
    // Every character that code page 932 cannot hold becomes '?', never a look-alike (the
    // characters of kLookAlikes are among them); `lossy` tells whether that happened.
    // Stateless: converting two pieces one after the other gives the bytes of converting
    // them together.
    virtual std::string FromUtf16(std::u16string_view text, bool& lossy) const = 0;
    // CP932 text as UTF-8, as Windows' table reads it (no mark in front). A byte that starts
    // no character there becomes whatever that table makes of it; nothing is refused.
    virtual std::string ToUtf8(std::string_view cp932) const = 0;
};

// A line of a converted text whose characters were changed on the way.
struct ChangedLine {
    std::size_t line = 0;       // from 1
    std::size_t unmappable = 0; // characters that became '?'
    // Where the look-alikes that became the code page 932 characters they stand for begin,
    // in bytes from the start of the line.
    std::vector<std::size_t> mapped;
    bool operator==(const ChangedLine&) const = default;
};

struct Cp932Text {
    std::string text;
    std::vector<ChangedLine> changed; // in line order
    // The same changes by their place in the whole text, in bytes from its start, in order:
    // where a '?' stands for a character that cannot be held, and where a look-alike's code
    // page 932 character begins.
    std::vector<std::size_t> lostAt;
    std::vector<std::size_t> mappedAt;
};

// A whole file's bytes as CP932 text. With a mark, the mark is dropped and the rest decoded
// and converted, the look-alikes taken as the characters they stand for; a malformed
// sequence counts as one character that cannot be held. The text ends at its first NUL
// character, as the line splitter would end it anyway. Without a mark the bytes come back
// as they are.
Cp932Text FileText(std::string bytes, const TextCodec& codec);

// The same for the first bytes of a file only (a preview): a character cut off at the end
// is dropped rather than counted.
Cp932Text FilePrefixText(std::string bytes, const TextCodec& codec);

// Like FileText, but FE FF opens UTF-16 BE, and a file without a mark that is well-formed
// UTF-8 throughout is read as UTF-8, as browsers and other programs write their exports; any
// other file without a mark comes back byte for byte. `encoding` receives what the file was read as.
Cp932Text Utf8OrCp932FileText(std::string bytes, const TextCodec& codec, TextEncoding& encoding);

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF, no sequence cut short).
bool IsUtf8(std::string_view bytes);

} // namespace tobrix
