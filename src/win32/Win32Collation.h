#pragma once

#include "platform/Collation.h"

namespace tobrix::win32 {

// The user's locale order of the system, on the texts converted from code page 932.
class Win32Collation final : public Collation {
public:
    int Compare(std::string_view a, std::string_view b) const override;
    std::string SortKey(std::string_view text) const override;
    std::string SearchFold(std::string_view text) const override;
};

} // namespace tobrix::win32
