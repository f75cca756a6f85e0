#pragma once
// The question before a command that hands out every password in the clear.

#include <string_view>

namespace tobrix {

class PasswordGate {
public:
    virtual ~PasswordGate() = default;
    // True when no master password is set, or when the user gave the right one; false when
    // the user gave up. `prompt`: the line above the field, saying what it is asked for.
    virtual bool Confirm(std::string_view prompt) = 0;
};

} // namespace tobrix
