#include "store/Encrypt.h"

#include "common/Error.h"
#include "support/Scramble.h"

#include <gtest/gtest.h>

#include <string>

namespace tobrix {
namespace {

std::string Pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    return s;
}

std::string Through(std::string_view input) {
    std::string out;
    StringSink sink(out);
    MemorySource source(input);
    XorStream(kDataFileKey, sink, source);
    return out;
}

TEST(XorStream, ByteIUsesKeyByteIMod4AtEveryLength) {
    for (std::size_t n : {0u, 1u, 2u, 3u, 4u, 5u, 7u, 8u, 9u, 4095u, 4096u, 4097u, 4099u, 8192u, 8193u, 12290u}) {
        const std::string clear = Pattern(n);
        EXPECT_EQ(Through(clear), test::Scramble(clear)) << n << " bytes";
    }
}

TEST(XorStream, KnownBytesAndTheLastByteOf4097) {
    EXPECT_EQ(Through(std::string(4, '\0')), "\x7B\xE1\xA5\x3C");
    const std::string out = Through(std::string(4097, '\0'));
    EXPECT_EQ(static_cast<unsigned char>(out[4096]), 0x7B); // offset 4096 takes key byte 0
}

TEST(XorStream, AppliedTwiceGivesTheClearText) {
    const std::string clear = Pattern(10000);
    EXPECT_EQ(Through(Through(clear)), clear);
}

// A sink that takes only part of what it is given.
class ShortSink final : public ByteSink {
public:
    std::size_t Write(const char*, std::size_t size) override { return size / 2; }
};

TEST(XorStream, AShortWriteStopsWithTheStreamError) {
    ShortSink sink;
    MemorySource source("abcdef");
    try {
        XorStream(kDataFileKey, sink, source);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.Message(), kMsgWriteError);
    }
}

TEST(XorStream, StartsAtTheSourcesCurrentPosition) {
    MemorySource source("XXabcd");
    char skip[2];
    ASSERT_EQ(source.Read(skip, 2), 2u);
    std::string out;
    StringSink sink(out);
    XorStream(kDataFileKey, sink, source);
    EXPECT_EQ(out, test::Scramble("abcd"));
}

} // namespace
} // namespace tobrix
