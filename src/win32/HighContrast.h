#pragma once
// High contrast: while it is on, only the colours the user chose can be read, so the few texts
// this program colours itself (the about box's addresses, the preview's question, the number
// field) take the system colour of their kind instead of their own.

#include <windows.h>

namespace tobrix::win32 {

// Whether high contrast is on now. Windows sends WM_SETTINGCHANGE and WM_SYSCOLORCHANGE when
// it is switched, so callers ask again each time they paint rather than keep the answer.
bool HighContrastOn();

// What a text the program colours is, which decides the system colour that replaces its own.
enum class TextKind {
    Link,       // an address that opens when clicked
    DialogText, // a label on the dialog's face
    FieldText,  // the text in an entry field
};

// The colour to draw a text of `kind` in: `own`, or with high contrast on the system's colour
// for the kind (COLOR_HOTLIGHT, COLOR_BTNTEXT, COLOR_WINDOWTEXT).
COLORREF TextColor(TextKind kind, COLORREF own, bool highContrast);

// A window's children draw again in the system's current colours: the common controls among
// them are told of the change (they keep their own copies of the colours) and everything is
// repainted. For a window's WM_SYSCOLORCHANGE and WM_SETTINGCHANGE.
void FollowSystemColors(HWND window);

} // namespace tobrix::win32
