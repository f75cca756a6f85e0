#pragma once
// The data file's scrambling written out byte by byte, independently of the program's own
// word-wise code, to check it against.

#include <string>
#include <string_view>

namespace tobrix::test {

inline std::string Scramble(std::string_view clear) {
    static constexpr unsigned char kKey[4] = {0x7B, 0xE1, 0xA5, 0x3C}; // 0x3CA5E17B, low byte first
    std::string out(clear);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>(static_cast<unsigned char>(out[i]) ^ kKey[i % 4]);
    return out;
}

} // namespace tobrix::test
