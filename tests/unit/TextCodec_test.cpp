#include "platform/TextCodec.h"

#include "support/IconvTextCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tobrix {
namespace {

using Changes = std::vector<ChangedLine>;

ChangedLine Lost(std::size_t line, std::size_t count) { return {line, count, {}}; }

TEST(TextCodecTest, MarkedTextBecomesCp932WithWhatChangedKeptByLine) {
    const test::IconvTextCodec codec;
    const struct {
        std::string bytes;
        bool prefix;
        std::string text;
        Changes changed;
    } cases[] = {
        {"plain \x83\x5c\xEF\xBB", false, "plain \x83\x5c\xEF\xBB", {}}, // no mark: as it is
        {"\xEF\xBB\xBF", false, "", {}},
        {"\xEF\xBB\xBF\xE3\x82\xBD", false, "\x83\x5c", {}},
        {"\xEF\xBB\xBFok\r\n\xC0\xAF\xE3\x82\n\xED\xA0\x80z", false, "ok\r\n??\x3f\n???z", {Lost(2, 3), Lost(3, 3)}},
        {"\xEF\xBB\xBF" "a\n\nb\r\xE2\x82\xAC\x00\xC3\xA9", false, "a\n\nb\r?", {Lost(4, 1)}}, // NUL ends the text
        {"\xEF\xBB\xBF" "ab\xE3\x82", true, "ab", {}},           // a prefix cut inside a character
        {"\xEF\xBB\xBF" "ab\xE3\x82", false, "ab?", {Lost(1, 1)}},
        {std::string("\xFF\xFE" "a\0\x3D\xD8", 6), true, "a", {}}, // a pair cut in two
        {std::string("\xFF\xFE" "a\0\x3D\xD8", 6), false, "a?", {Lost(1, 1)}},
        {std::string("\xFF\xFE" "a\0\x00\xDE\n\0b", 9), false, "a?\n?", {Lost(1, 1), Lost(2, 1)}}, // lone low, odd byte
        // Look-alikes (〜 − ‖ — ¢ £ ¬) become the characters they stand for, where they begin
        // kept by line; ¥ and ‾ have no character of their own and are lost like é.
        {"\xEF\xBB\xBF" "a\xE3\x80\x9C" "b\r\n\xE2\x88\x92\xE2\x80\x96\xE2\x80\x94\xC2\xA2\xC2\xA3\xC2\xAC", false,
         "a\x81\x60" "b\r\n\x81\x7C\x81\x61\x81\x5C\x81\x91\x81\x92\x81\xCA",
         {{1, 0, {1}}, {2, 0, {0, 2, 4, 6, 8, 10}}}},
        {"\xEF\xBB\xBF\xC2\xA5\xE2\x80\xBE\xC3\xA9" "x\xE2\x80\x94", false, "???x\x81\x5C", {{1, 3, {4}}}},
        {std::string("\xFF\xFE\x1C\x30\r\0", 6), false, "\x81\x60\r", {{1, 0, {0}}}},
        // What Windows' table has for those bytes is no change.
        {"\xEF\xBB\xBF\xEF\xBD\x9E\xE2\x88\xA5\xEF\xBF\xA2", false, "\x81\x60\x81\x61\x81\xCA", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const Cp932Text out = c.prefix ? FilePrefixText(c.bytes, codec) : FileText(c.bytes, codec);
        EXPECT_EQ(out.text, c.text);
        EXPECT_EQ(out.changed, c.changed);
    }
}

// The same bytes as the Windows codec's test, so that the fake cannot drift from the table.
TEST(TextCodecTest, TheTestCodecReadsCp932AsWindowsDoes) {
    const test::IconvTextCodec codec;
    const std::u8string utf8 = u8"\u9280\u884C \u8868\\ \uFF76 \uFF5E,\"";
    EXPECT_EQ(codec.ToUtf8("\x8B\xE2\x8D\x73 \x95\x5C\x5C \xB6 \x81\x60,\""),
              std::string(utf8.begin(), utf8.end()));
}

} // namespace
} // namespace tobrix
