#include "platform/TextCodec.h"

#include "support/IconvTextCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace tobrix {
namespace {

TEST(TextCodecTest, MarkedTextBecomesCp932WithWhatItCannotHoldCounted) {
    const test::IconvTextCodec codec;
    const struct {
        std::string bytes;
        bool prefix;
        std::string text;
        int unmappable, line;
    } cases[] = {
        {"plain \x83\x5c\xEF\xBB", false, "plain \x83\x5c\xEF\xBB", 0, 0}, // no mark: as it is
        {"\xEF\xBB\xBF", false, "", 0, 0},
        {"\xEF\xBB\xBF\xE3\x82\xBD", false, "\x83\x5c", 0, 0},
        {"\xEF\xBB\xBFok\r\n\xC0\xAF\xE3\x82\n\xED\xA0\x80z", false, "ok\r\n??\x3f\n???z", 6, 2}, // malformed
        {"\xEF\xBB\xBF" "a\n\nb\r\xE2\x82\xAC\x00\xC3\xA9", false, "a\n\nb\r?", 1, 4}, // NUL ends the text
        {"\xEF\xBB\xBF" "ab\xE3\x82", true, "ab", 0, 0},           // a prefix cut inside a character
        {"\xEF\xBB\xBF" "ab\xE3\x82", false, "ab?", 1, 1},
        {std::string("\xFF\xFE" "a\0\x3D\xD8", 6), true, "a", 0, 0}, // a pair cut in two
        {std::string("\xFF\xFE" "a\0\x3D\xD8", 6), false, "a?", 1, 1},
        {std::string("\xFF\xFE" "a\0\x00\xDE\n\0b", 9), false, "a?\n?", 2, 1}, // lone low surrogate, odd byte
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const Cp932Text out = c.prefix ? FilePrefixText(c.bytes, codec) : FileText(c.bytes, codec);
        EXPECT_EQ(out.text, c.text);
        EXPECT_EQ(out.unmappable, c.unmappable);
        EXPECT_EQ(out.firstUnmappableLine, c.line);
    }
}

} // namespace
} // namespace tobrix
