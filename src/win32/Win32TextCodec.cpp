#include "win32/Win32TextCodec.h"

#include "common/Secret.h"
#include "win32/Encoding.h"

namespace tobrix::win32 {

std::string Win32TextCodec::FromUtf16(std::u16string_view text, bool& lossy) const {
    const std::wstring_view wide(reinterpret_cast<const wchar_t*>(text.data()), text.size());
    return ToCp932(wide, LookAlikes::Refused, lossy);
}

std::string Win32TextCodec::ToUtf8(std::string_view cp932) const {
    // The wide text is wiped as it goes: it may hold every password of the list.
    std::wstring wide = Widen(cp932);
    std::string out;
    if (!wide.empty()) {
        const int length = static_cast<int>(wide.size());
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
        if (size > 0) {
            out.resize(static_cast<std::size_t>(size));
            out.resize(static_cast<std::size_t>(
                WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, out.data(), size, nullptr, nullptr)));
        }
    }
    Wipe(wide.data(), wide.size() * sizeof(wchar_t));
    return out;
}

} // namespace tobrix::win32
