#pragma once
// One cell of an owner-data list as the list control asks for it.

#include <cstdint>
#include <string_view>

namespace tobrix {

struct CellInfo {
    std::string_view Text;
    std::int32_t ImageIndex = -1;
    std::uintptr_t Param = 0;
    std::uint32_t State = 0; // state the control passes in; the entry's state bits are added
};

} // namespace tobrix
