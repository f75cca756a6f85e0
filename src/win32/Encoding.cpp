#include "win32/Encoding.h"

#include "common/Cp932.h"
#include "common/Error.h"

#include <climits>

namespace tobrix::win32 {

namespace {

constexpr UINT kCodePage = 932;

constexpr std::string_view kMsgTextTooLong = sjis<u8"テキストが長すぎるため変換できません。">();

// The system takes lengths as int; code page 932 needs at most two bytes for one UTF-16 unit.
void CheckLength(std::size_t units) {
    if (units > INT_MAX / 2)
        throw AppError(std::string(kMsgTextTooLong));
}

std::wstring WithLookAlikesMapped(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out)
        if (const LookAlike* l = LookAlikeOf(static_cast<char16_t>(c)))
            c = static_cast<wchar_t>(l->windows);
    return out;
}

} // namespace

std::size_t WidenInto(std::string_view cp932, wchar_t* out) {
    if (cp932.empty())
        return 0;
    CheckLength(cp932.size());
    // One byte or two make one UTF-16 unit: the buffer is always large enough.
    const int length = static_cast<int>(cp932.size());
    const int wide = MultiByteToWideChar(kCodePage, 0, cp932.data(), length, out, length);
    return static_cast<std::size_t>(wide > 0 ? wide : 0);
}

std::wstring Widen(std::string_view cp932) {
    CheckLength(cp932.size());
    std::wstring out(cp932.size(), L'\0');
    out.resize(WidenInto(cp932, out.data()));
    return out;
}

std::string ToCp932(std::wstring_view text, LookAlikes lookAlikes, bool& lossy) {
    lossy = false;
    if (text.empty())
        return {};
    CheckLength(text.size());
    std::wstring mapped;
    if (lookAlikes == LookAlikes::Mapped) {
        mapped = WithLookAlikesMapped(text);
        text = mapped;
    }
    // No best fit: the system would otherwise put a look-alike of its own ('e' for 'é',
    // '\' for '¥') without saying so.
    BOOL usedDefault = FALSE;
    std::string out(text.size() * 2, '\0');
    const int bytes = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                                          out.data(), static_cast<int>(out.size()), "?", &usedDefault);
    out.resize(static_cast<std::size_t>(bytes > 0 ? bytes : 0));
    lossy = usedDefault != FALSE;
    return out;
}

std::string Narrow(std::wstring_view text) {
    bool lossy = false;
    return ToCp932(text, LookAlikes::Refused, lossy);
}

std::optional<std::string> NarrowExact(std::wstring_view text, LookAlikes lookAlikes) {
    bool lossy = false;
    std::string out = ToCp932(text, lookAlikes, lossy);
    if (lossy)
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

std::wstring WindowText(HWND window) {
    // The length may be larger than the text (never smaller): the text read tells.
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    const int n = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return text;
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
