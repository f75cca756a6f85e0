#pragma once
// The five columns in which an entry is shown and exported: their captions and the widths
// they were drawn with (also the default widths of the settings).

#include "common/Cp932Literal.h"
#include "store/Data.h"

#include <string_view>

namespace tobrix {

inline constexpr std::string_view kColumnCaptions[kColumnCount] = {
    sjis<u8"タイトル">(), sjis<u8"ユーザーＩＤ">(), sjis<u8"パスワード">(), sjis<u8"メモ">(), sjis<u8"ホームページ">(),
};
inline constexpr int kDesignColumnWidths[kColumnCount] = {200, 150, 220, 130, 150};

} // namespace tobrix
