#pragma once
// The one error type of the program. It carries the text the user will see (CP932);
// every event handler catches it and hands it to the general error display.

#include "common/Cp932Literal.h"

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tobrix {

class AppError : public std::exception {
public:
    explicit AppError(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// The file errors users see; %s is the file's path.
inline constexpr std::string_view kMsgCannotOpen = sjis<u8"ファイル %s は開けません">();
inline constexpr std::string_view kMsgCannotCreate = sjis<u8"ファイル %s を作成できません">();
inline constexpr std::string_view kMsgWriteError = sjis<u8"ストリームへの書き込みエラー">();
// What is shown for a failure that is not the program's own AppError: the standard
// library's texts are English and would tell the user nothing.
inline constexpr std::string_view kMsgOutOfMemory = sjis<u8"メモリが足りません">();
inline constexpr std::string_view kMsgUnexpectedError = sjis<u8"予期しないエラーが発生しました">();

// fmt with its "%s" placeholders replaced by the arguments in order, in one pass (an
// argument that itself contains "%s" stays as it is). Extra placeholders stay unchanged.
std::string Substitute(std::string_view fmt, std::initializer_list<std::string_view> args);
inline std::string Substitute(std::string_view fmt, std::string_view arg) { return Substitute(fmt, {arg}); }

// What the general error display shows: the message, with "." appended when the first
// byte of its last character sorts after "." (so Japanese messages end with a period).
std::string ErrorDisplayText(std::string_view message);

// The text of any exception caught at an event boundary: an AppError's own message, else
// one of the two above.
std::string MessageOf(const std::exception& e);

} // namespace tobrix
