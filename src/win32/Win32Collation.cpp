#include "win32/Win32Collation.h"

#include "win32/Encoding.h"

#include <windows.h>

namespace tobrix::win32 {

int Win32Collation::Compare(std::string_view a, std::string_view b) const {
    const std::wstring wa = Widen(a), wb = Widen(b);
    const int result = CompareStringW(LOCALE_USER_DEFAULT, 0, wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                                      static_cast<int>(wb.size()));
    return result == 0 ? a.compare(b) : result - CSTR_EQUAL;
}

std::string Win32Collation::SortKey(std::string_view text) const {
    // A sort runs this once per entry: short texts go through buffers on the stack, so a key
    // costs one conversion and one mapping, without a size query or a temporary string.
    constexpr int kShort = 128;
    wchar_t shortWide[kShort];
    std::wstring longWide;
    const wchar_t* wide = shortWide;
    int length = 0;
    if (text.size() <= static_cast<std::size_t>(kShort)) {
        length = static_cast<int>(WidenInto(text, shortWide));
    } else {
        longWide = Widen(text);
        wide = longWide.c_str();
        length = static_cast<int>(longWide.size());
    }
    if (length <= 0)
        return {}; // the empty text: before every other one, as CompareStringW has it

    // The same flags as Compare, so that the keys order texts exactly as Compare does.
    char shortKey[4 * kShort];
    int size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, wide, length, reinterpret_cast<LPWSTR>(shortKey),
                            static_cast<int>(sizeof shortKey));
    if (size > 0)
        return std::string(shortKey, static_cast<std::size_t>(size));
    size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, wide, length, nullptr, 0);
    if (size <= 0)
        return std::string(text);
    std::string key(static_cast<std::size_t>(size), '\0');
    LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, wide, length, reinterpret_cast<LPWSTR>(key.data()), size);
    return key;
}

} // namespace tobrix::win32

namespace tobrix::win32 {

std::string Win32Collation::SearchFold(std::string_view text) const {
    if (text.empty())
        return {};
    const std::wstring wide = Widen(text);
    // Katakana in full width, lower case: half-width kana with their voiced marks become one
    // character, as the full-width word the user types does. The full-width forms of ASCII
    // then go back to ASCII, which keeps the folded list small.
    constexpr DWORD kFold = LCMAP_LOWERCASE | LCMAP_FULLWIDTH | LCMAP_KATAKANA;
    const int length = static_cast<int>(wide.size());
    int size = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFold, wide.c_str(), length, nullptr, 0, nullptr, nullptr, 0);
    std::wstring folded(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        size = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFold, wide.c_str(), length, folded.data(), size, nullptr,
                             nullptr, 0);
    if (size <= 0)
        folded = wide; // no mapping: the text as it is still finds itself
    else
        folded.resize(static_cast<std::size_t>(size));
    for (wchar_t& c : folded) {
        if (c >= 0xFF01 && c <= 0xFF5E)
            c = static_cast<wchar_t>(c - 0xFF01 + 0x21);
        else if (c == 0x3000)
            c = L' ';
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, folded.data(), static_cast<int>(folded.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, folded.data(), static_cast<int>(folded.size()), out.data(), bytes, nullptr,
                            nullptr);
    return out;
}

} // namespace tobrix::win32
