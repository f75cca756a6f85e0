#include "win32/Encoding.h"

#include <windows.h>

#include <climits>

namespace tobrix::win32 {

namespace {
constexpr UINT kCodePage = 932;
}

std::wstring Widen(std::string_view cp932) {
    if (cp932.empty() || cp932.size() > INT_MAX)
        return {};
    const int length = static_cast<int>(cp932.size());
    const int wide = MultiByteToWideChar(kCodePage, 0, cp932.data(), length, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(wide), L'\0');
    if (wide > 0)
        MultiByteToWideChar(kCodePage, 0, cp932.data(), length, out.data(), wide);
    return out;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(kCodePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    if (bytes > 0)
        WideCharToMultiByte(kCodePage, 0, text.data(), length, out.data(), bytes, nullptr, nullptr);
    return out;
}

} // namespace tobrix::win32
