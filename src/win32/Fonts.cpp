#include "win32/Fonts.h"

#include "win32/Encoding.h"

#include <utility>

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

HFONT DpiFonts::Make(const FontSpec& spec) {
    HFONT font = CreateDpiFont(spec, dpi_);
    if (font != nullptr)
        fonts_.push_back({spec, font});
    return font;
}

void DpiFonts::Clear() {
    for (const Made& made : fonts_)
        DeleteObject(made.font);
    fonts_.clear();
}

int DpiFonts::Rescale(int dpi, const std::function<void(HFONT old, HFONT made)>& replace) {
    const int old = std::exchange(dpi_, dpi);
    std::vector<Made> before = std::move(fonts_);
    fonts_.clear();
    for (const Made& made : before) {
        HFONT font = CreateDpiFont(made.spec, dpi_);
        if (font == nullptr) {
            fonts_.push_back(made); // the old size rather than none
            continue;
        }
        fonts_.push_back({made.spec, font});
        replace(made.font, font);
        DeleteObject(made.font);
    }
    return old;
}

} // namespace tobrix::win32
