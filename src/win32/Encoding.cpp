#include "win32/Encoding.h"

#include "common/Cp932.h"

#include <windows.h>

#include <climits>

namespace tobrix::win32 {

namespace {

constexpr UINT kCodePage = 932;

// No best-fit mapping: a character without its own code becomes the default character
// instead of a look-alike ('é' would otherwise quietly become 'e').
std::string Convert(std::wstring_view text, BOOL* usedDefault) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int length = static_cast<int>(text.size());
    const int bytes =
        WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, usedDefault);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), length, out.data(), bytes, nullptr,
                            usedDefault);
    return out;
}

} // namespace

std::wstring Widen(std::string_view cp932) {
    if (cp932.empty() || cp932.size() > INT_MAX)
        return {};
    const int length = static_cast<int>(cp932.size());
    const int wide = MultiByteToWideChar(kCodePage, 0, cp932.data(), length, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(wide > 0 ? wide : 0), L'\0');
    if (wide > 0)
        MultiByteToWideChar(kCodePage, 0, cp932.data(), length, out.data(), wide);
    return out;
}

std::string Narrow(std::wstring_view text) { return Convert(text, nullptr); }

std::optional<std::string> NarrowExact(std::wstring_view text) {
    BOOL usedDefault = FALSE;
    std::string out = Convert(text, &usedDefault);
    if (usedDefault)
        return std::nullopt;
    return out;
}

std::string FitInBuffer(std::wstring_view text, int bufferSize) {
    std::string out = Narrow(text);
    const std::size_t limit = bufferSize > 0 ? static_cast<std::size_t>(bufferSize - 1) : 0;
    if (out.size() <= limit)
        return out;
    std::size_t end = 0;
    for (std::size_t i = 0; i < limit;) {
        const std::size_t n = CharLength(out, i);
        if (i + n > limit)
            break;
        i += n;
        end = i;
    }
    out.resize(end);
    return out;
}

std::wstring FileDialogFilter(std::string_view cp932) {
    std::wstring out = Widen(cp932);
    for (wchar_t& c : out)
        if (c == L'|')
            c = L'\0';
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

} // namespace tobrix::win32
