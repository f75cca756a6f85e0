#pragma once
// The one place where the program's CP932 text meets the wide Windows API. Code page 932
// is named explicitly, so the Japanese text is right whatever the system's ANSI code page.
// A text too long for the system's conversion (over a thousand million characters) is an
// AppError.

#include "common/Cp932.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace tobrix::win32 {

std::wstring Widen(std::string_view cp932);
// The same into a buffer of at least cp932.size() units, for texts short enough for the
// stack; returns the units written.
std::size_t WidenInto(std::string_view cp932, wchar_t* out);

// The conversion to code page 932 that all others go through, without best fit: a character
// that code page 932 cannot hold becomes '?' (never a look-alike such as 'e' for 'é') and
// sets `lossy`. With LookAlikes::Mapped the characters of kLookAlikes become the characters
// of code page 932 that they stand for.
std::string ToCp932(std::wstring_view text, LookAlikes lookAlikes, bool& lossy);

// For text that is only shown or searched: what cannot be held becomes '?'.
std::string Narrow(std::wstring_view text);

// For text that is kept: nothing when the text holds a character that code page 932 cannot
// hold, so that it is never stored altered.
std::optional<std::string> NarrowExact(std::wstring_view text, LookAlikes lookAlikes = LookAlikes::Refused);

// Narrow text as an 8-bit buffer of `bufferSize` bytes would hold it: at most
// bufferSize - 1 bytes, never half a double-byte character.
std::string FitInBuffer(std::wstring_view text, int bufferSize);

// A window's or control's whole text.
std::wstring WindowText(HWND window);

// A "description|patterns|..." filter as the common file dialogs take it: each part ends
// with a NUL and one more ends the list. Only a real "|" splits: a CP932 character whose
// second byte is 0x7C is one wide character by then.
std::wstring FileDialogFilter(std::string_view cp932);

} // namespace tobrix::win32
