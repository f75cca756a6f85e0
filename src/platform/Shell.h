#pragma once

#include <string_view>

namespace tobrix {

class Shell {
public:
    virtual ~Shell() = default;
    enum class Show { Normal, Maximized };
    // Hands the text (an address, "mailto:...") to the system's handler for it, the program's
    // active window as owner. Whether that worked is not reported.
    virtual void Open(std::string_view target, Show show) = 0;
};

} // namespace tobrix
