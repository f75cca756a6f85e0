#pragma once
// The program's own texts (captions, messages) are written as UTF-8 in the source and
// turned into CP932 bytes here, at compile time, so that every compiler produces the same
// bytes whatever its execution character set:
//
//     constexpr std::string_view kCaption = sjis<u8"アイテムの登録">();
//
// A character that the table does not know stops the build; scripts/gen-cp932-table adds it.

#include <array>
#include <cstddef>
#include <string_view>

namespace tobrix {
namespace detail {

struct Cp932Mapping {
    char32_t code;
    unsigned bytes; // one byte (< 0x100) or lead byte << 8 | trail byte
};

inline constexpr Cp932Mapping kCp932Table[] = {
#include "Cp932Table.inc"
};

constexpr char32_t decodeUtf8(const char8_t* s, std::size_t& i) {
    const unsigned lead = s[i++];
    if (lead < 0x80)
        return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t code = lead & (0x3Fu >> extra);
    for (int k = 0; k < extra; ++k)
        code = (code << 6) | (static_cast<unsigned>(s[i++]) & 0x3Fu);
    return code;
}

constexpr unsigned lookupCp932(char32_t code) {
    if (code < 0x80)
        return code;
    std::size_t lo = 0, hi = std::size(kCp932Table);
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (kCp932Table[mid].code < code)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == std::size(kCp932Table) || kCp932Table[lo].code != code)
        throw "character missing from Cp932Table.inc: run scripts/gen-cp932-table";
    return kCp932Table[lo].bytes;
}

template <std::size_t N>
struct Utf8Text {
    char8_t chars[N]{};
    consteval Utf8Text(const char8_t (&s)[N]) {
        for (std::size_t i = 0; i < N; ++i)
            chars[i] = s[i];
    }
};

template <Utf8Text T>
constexpr std::size_t cp932Length() {
    std::size_t length = 0;
    for (std::size_t i = 0; T.chars[i] != 0;)
        length += lookupCp932(decodeUtf8(T.chars, i)) > 0xFF ? 2 : 1;
    return length;
}

template <Utf8Text T>
struct Cp932Bytes {
    static constexpr std::size_t size = cp932Length<T>();
    static constexpr std::array<char, size + 1> bytes = [] {
        std::array<char, size + 1> out{};
        std::size_t n = 0;
        for (std::size_t i = 0; T.chars[i] != 0;) {
            const unsigned b = lookupCp932(decodeUtf8(T.chars, i));
            if (b > 0xFF)
                out[n++] = static_cast<char>(b >> 8);
            out[n++] = static_cast<char>(b & 0xFF);
        }
        return out;
    }();
};

} // namespace detail

// CP932 bytes of a UTF-8 literal; the view points at static storage and ends with a NUL.
template <detail::Utf8Text T>
constexpr std::string_view sjis() {
    return {detail::Cp932Bytes<T>::bytes.data(), detail::Cp932Bytes<T>::size};
}

} // namespace tobrix
