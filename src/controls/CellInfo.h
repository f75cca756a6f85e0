#pragma once
// One cell of an owner-data list as the list control asks for it.

#include <cstdint>
#include <string_view>

namespace tobrix {

struct TVirtualItem;

struct CellInfo {
    std::string_view Text;
    std::int32_t ImageIndex = -1;
    std::uintptr_t Param = 0;
    std::uint32_t State = 0; // state the control passes in; the entry's state bits are added
};

// One cell of a list of entries in the five columns title, user ID, password, memo and
// address: the column's text (the password column shows `password`; a sixth column nothing),
// the entry's image, and its state bits added.
void FillEntryCell(const TVirtualItem& item, int column, std::string_view password, CellInfo& cell);

} // namespace tobrix
