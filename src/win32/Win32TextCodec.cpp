#include "win32/Win32TextCodec.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace tobrix::win32 {

std::string Win32TextCodec::FromUtf16(std::u16string_view text, bool& lossy) const {
    lossy = false;
    if (text.empty())
        return {};
    if (text.size() > INT_MAX / 2)
        throw std::length_error("text too long");
    // No best fit: a character without its own code becomes '?' and is reported, where the
    // system would otherwise put a look-alike ('é' as 'e', '¥' as '\').
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    std::string out(text.size() * 2, '\0');
    const int bytes = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, out.data(),
                                          static_cast<int>(out.size()), "?", &usedDefault);
    out.resize(static_cast<std::size_t>(bytes > 0 ? bytes : 0));
    lossy = usedDefault != FALSE;
    return out;
}

} // namespace tobrix::win32
