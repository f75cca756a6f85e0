#pragma once
// Unicode to CP932 and back with the system's own code page 932 table.

#include "platform/TextCodec.h"

namespace tobrix::win32 {

class Win32TextCodec final : public TextCodec {
public:
    std::string FromUtf16(std::u16string_view text, bool& lossy) const override;
    std::string ToUtf8(std::string_view cp932) const override;
};

} // namespace tobrix::win32
