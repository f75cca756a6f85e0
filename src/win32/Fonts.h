#pragma once
// The program's fonts, made for the screen from sizes in pixels of a 96-DPI screen.

#include "common/Identity.h"

#include <windows.h>

#include <functional>
#include <string_view>
#include <vector>

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

// The DPI a window is laid out at and the fonts it made for it, which it owns: when the window
// moves to a monitor of another DPI, every font is made again at the new one.
class DpiFonts {
public:
    explicit DpiFonts(int dpi = 96) : dpi_(dpi) {}
    DpiFonts(const DpiFonts&) = delete;
    DpiFonts& operator=(const DpiFonts&) = delete;
    ~DpiFonts() { Clear(); }

    int Dpi() const { return dpi_; }
    // Pixels of the 96-DPI design at the DPI.
    int Scale(int pixels) const { return ScaleForDpi(pixels, dpi_); }
    // Takes another DPI as it is: for a window being placed, before its fonts are made.
    void SetDpi(int dpi) { dpi_ = dpi; }
    // A font at the DPI, kept until Clear or the end; null when the system could not make it.
    HFONT Make(const FontSpec& spec);
    // Deletes every font made.
    void Clear();
    // Goes to `dpi` and makes every font again there: `replace` is told each old font and its
    // new one, for the controls to take, before the old ones are deleted. The old DPI.
    int Rescale(int dpi, const std::function<void(HFONT old, HFONT made)>& replace);

private:
    struct Made {
        FontSpec spec;
        HFONT font;
    };
    int dpi_;
    std::vector<Made> fonts_;
};

} // namespace tobrix::win32
