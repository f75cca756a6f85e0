#pragma once
// The program's fixed identity: the instance mutex, the application title and the main
// window's caption are all "Tobrix"; the main window's class is "TfrmMain".

#include <string_view>

namespace tobrix {

inline constexpr std::string_view kAppTitle = "Tobrix";
inline constexpr std::string_view kInstanceName = "Tobrix";
inline constexpr std::string_view kMainWindowClass = "TfrmMain";

} // namespace tobrix

#include "common/Cp932Literal.h"

namespace tobrix {

// The face of the forms' font (with the Shift-JIS character set).
inline constexpr std::string_view kFormFontFace = sjis<u8"ＭＳ Ｐゴシック">();

} // namespace tobrix
