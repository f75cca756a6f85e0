#pragma once
// The program's fonts, made for the screen from sizes in pixels of a 96-DPI screen.

#include "common/Identity.h"

#include <windows.h>

#include <string_view>

namespace tobrix::win32 {

// The screen's DPI, the system's: every monitor counts as that one.
int ScreenDpi() noexcept;

// Pixels of a 96-DPI design on a screen of `dpi`.
inline int ScaleForDpi(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

struct FontSpec {
    int height; // of the characters, in 96-DPI pixels
    int weight = FW_NORMAL;
    bool underline = false;
    std::string_view face = kFormFontFace; // CP932
    BYTE pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
};

// A font with the Shift-JIS character set as `spec` describes it, at its size on a screen of
// `dpi`. The caller deletes it; null when the system could not make it.
HFONT CreateDpiFont(const FontSpec& spec, int dpi);

} // namespace tobrix::win32
