#pragma once
// The one place where the program's CP932 text meets the wide Windows API. Code page 932
// is named explicitly, so the Japanese text is right whatever the system's ANSI code page.

#include <string>
#include <string_view>

namespace tobrix::win32 {

std::wstring Widen(std::string_view cp932);
// Characters that code page 932 cannot hold become '?'.
std::string Narrow(std::wstring_view text);

} // namespace tobrix::win32
