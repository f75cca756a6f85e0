#pragma once
// The data file: one line per entry, five fields joined by 0x08, CR LF after every line,
// the whole text XOR-scrambled with kDataFileKey. No header, no count, no checksum.

#include "store/ItemDataList.h"

#include <string>
#include <string_view>

namespace tobrix {

class Files;

inline constexpr char kFieldSeparator = '\x08';

// Appends one entry per line of the clear text, masked as unselected rows. The fields of a
// line: Title, UserID, Password and Memo each take the text before the next separator, or
// stay empty when there is none left; URL takes the rest, further separators included.
// Separators are searched character by character.
void ParseDataText(std::string_view text, bool hidePass, ItemDataList& list);

// The clear text of a list: one line per entry, CR LF after each.
std::string BuildDataText(const ItemDataList& list);

// Appends the entries of the data file to the list. Throws AppError with "ファイル %s は開けません"
// when the file cannot be opened or read; the list is then left as it was.
void LoadDataFile(Files& files, const std::string& path, bool hidePass, ItemDataList& list);

// Replaces the data file by the list. The new content is written to a file of its own
// beside it, flushed, and then renamed over the old one in one step, so that any failure
// leaves the previous file as it was. Throws AppError with the file messages.
void SaveDataFile(Files& files, const std::string& path, const ItemDataList& list);

} // namespace tobrix
