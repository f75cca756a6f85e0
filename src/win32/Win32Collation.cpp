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
    const std::wstring wide = Widen(text);
    // The same flags as Compare, so that the keys order texts exactly as Compare does.
    const int length = static_cast<int>(wide.size());
    const int size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, wide.c_str(), length, nullptr, 0);
    if (size <= 0)
        return std::string(text);
    std::string key(static_cast<std::size_t>(size), '\0');
    LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, wide.c_str(), length, reinterpret_cast<LPWSTR>(key.data()),
                 size);
    return key;
}

} // namespace tobrix::win32
