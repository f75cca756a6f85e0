#include "win32/Win32TextCodec.h"

#include "win32/Encoding.h"

namespace tobrix::win32 {

std::string Win32TextCodec::FromUtf16(std::u16string_view text, bool& lossy) const {
    const std::wstring_view wide(reinterpret_cast<const wchar_t*>(text.data()), text.size());
    return ToCp932(wide, LookAlikes::Refused, lossy);
}

} // namespace tobrix::win32
