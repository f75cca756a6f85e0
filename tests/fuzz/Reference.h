#pragma once
// Slow, obvious versions of the data file's text rules, written without the program's own
// helpers, for the fuzz targets to compare against. Any disagreement aborts.

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix::fuzz {

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void Check(bool ok, const char* what) {
    if (!ok)
        Fail(what);
}

inline bool RefIsLead(char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Walks the text one character at a time from `from` (a character start).
inline std::size_t RefFindChar(std::string_view text, char c, std::size_t from) {
    for (std::size_t i = from; i < text.size(); i += RefIsLead(text[i]) && i + 1 < text.size() ? 2 : 1) {
        if (text[i] == c)
            return i;
    }
    return std::string_view::npos;
}

// Byte i XOR key byte (i mod 4), the key 0x3CA5E17B taken low byte first.
inline std::string RefScramble(std::string_view bytes) {
    static constexpr unsigned char kKey[4] = {0x7B, 0xE1, 0xA5, 0x3C};
    std::string out(bytes);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>(static_cast<unsigned char>(out[i]) ^ kKey[i % 4]);
    return out;
}

struct RefLine {
    std::string_view text;
    std::size_t next; // where the following line starts
};

// The text up to its first NUL, cut into lines at CR, LF or CR LF, byte by byte.
inline std::vector<RefLine> RefLines(std::string_view text) {
    std::size_t size = 0;
    while (size < text.size() && text[size] != '\0')
        ++size;
    std::vector<RefLine> lines;
    std::size_t start = 0;
    while (start < size) {
        std::size_t end = start;
        while (end < size && text[end] != '\r' && text[end] != '\n')
            ++end;
        std::size_t next = end;
        if (next < size) {
            ++next;
            if (text[end] == '\r' && next < size && text[next] == '\n')
                ++next;
        }
        lines.push_back({text.substr(start, end - start), next});
        start = next;
    }
    return lines;
}

struct RefFields {
    std::string_view field[5]; // title, user ID, password, memo, URL
};

// Title, user ID, password and memo each end at the next separator character, or are empty
// when there is none left; the URL is the rest.
inline RefFields RefSplit(std::string_view line) {
    RefFields out;
    std::size_t pos = 0;
    for (int k = 0; k < 4; ++k) {
        const std::size_t at = RefFindChar(line, '\x08', pos);
        if (at != std::string_view::npos) {
            out.field[k] = line.substr(pos, at - pos);
            pos = at + 1;
        }
    }
    out.field[4] = line.substr(pos);
    return out;
}

} // namespace tobrix::fuzz
