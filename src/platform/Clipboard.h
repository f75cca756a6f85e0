#pragma once
// The system clipboard as the program hands text to other programs. Texts are CP932.

#include "common/Cp932Literal.h"

#include <cstdint>
#include <string_view>

namespace tobrix {

inline constexpr std::string_view kMsgCannotOpenClipboard = sjis<u8"クリップボードを開くことができません">();

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Empties the clipboard, then puts the text on it as 8-bit text (its bytes and a zero
    // byte). Throws AppError(kMsgCannotOpenClipboard) when the clipboard cannot be opened;
    // when only the second opening fails, the clipboard is left empty.
    virtual void SetText(std::string_view cp932) = 0;
    // SetText for a password, always with the formats that keep it out of the clipboard
    // history, the cloud clipboard and clipboard monitors. Returns the clipboard's sequence
    // number after the copy, which tells later whether the clipboard still holds this copy.
    virtual std::uint32_t SetSecretText(std::string_view cp932) = 0;
    // Empties the clipboard when its sequence number is still this one: what any program put
    // there later is left alone. False only when another program held the clipboard so that
    // it could not be opened: the caller may try again.
    virtual bool ClearIfUnchanged(std::uint32_t sequence) = 0;

    // Delayed rendering. Empties the clipboard and puts a promise of 8-bit text on it, with
    // the main window as the owner that is asked for the text when a program pastes.
    // Failures are not reported: a clipboard held by another program keeps what it holds.
    virtual void OfferText() = 0;
    // Answers the request for the promised text with the bytes and a zero byte.
    virtual void RenderText(std::string_view cp932) = 0;
};

} // namespace tobrix
