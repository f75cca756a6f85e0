#pragma once
// The one place where the program's CP932 text meets the wide Windows API. Code page 932
// is named explicitly, so the Japanese text is right whatever the system's ANSI code page.

#include <optional>
#include <string>
#include <string_view>

namespace tobrix::win32 {

std::wstring Widen(std::string_view cp932);

// For text that is only shown or searched: a character that code page 932 cannot hold
// becomes '?' (never a look-alike).
std::string Narrow(std::wstring_view text);

// For text that is kept: nothing when the text holds a character that code page 932 cannot
// hold, so that it is never stored altered.
std::optional<std::string> NarrowExact(std::wstring_view text);

// Narrow text as an 8-bit buffer of `bufferSize` bytes would hold it: at most
// bufferSize - 1 bytes, never half a double-byte character.
std::string FitInBuffer(std::wstring_view text, int bufferSize);

// A "description|patterns|..." filter as the common file dialogs take it: each part ends
// with a NUL and one more ends the list. Only a real "|" splits: a CP932 character whose
// second byte is 0x7C is one wide character by then.
std::wstring FileDialogFilter(std::string_view cp932);

} // namespace tobrix::win32
