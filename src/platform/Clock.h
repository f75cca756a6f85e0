#pragma once

#include <cstdint>

namespace tobrix {

// A steady count of milliseconds since some fixed moment (the system's start): for waits
// and idle times, never for dates.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t Milliseconds() const = 0;
};

} // namespace tobrix
