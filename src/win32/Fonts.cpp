#include "win32/Fonts.h"

#include "win32/Encoding.h"

namespace tobrix::win32 {

int ScreenDpi() noexcept {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

HFONT CreateDpiFont(const FontSpec& spec, int dpi) {
    // A negative height asks for the character height, without the internal leading.
    return CreateFontW(-ScaleForDpi(spec.height, dpi), 0, 0, 0, spec.weight, FALSE, spec.underline, FALSE,
                       SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, spec.pitchAndFamily,
                       Widen(spec.face).c_str());
}

} // namespace tobrix::win32
