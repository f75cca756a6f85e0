#pragma once

#include "common/Error.h"

#include <functional>
#include <string>

namespace tobrix::test {

// The message of the AppError the action throws, or "(no error)".
inline std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const AppError& e) {
        return e.Message();
    }
    return "(no error)";
}

} // namespace tobrix::test
