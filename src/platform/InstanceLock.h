#pragma once

#include <string_view>

namespace tobrix {

class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    // Claims the name for this process until it ends, in one step (no window between the
    // test and the claim); false when another running process holds it already.
    virtual bool Acquire(std::string_view name) = 0;
};

} // namespace tobrix
