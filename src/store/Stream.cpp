#include "store/Stream.h"

#include "common/Error.h"

#include <algorithm>
#include <cstring>

namespace tobrix {

std::size_t MemorySource::Read(char* buffer, std::size_t size) {
    const std::size_t n = std::min(size, data_.size() - pos_);
    if (n != 0)
        std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return n;
}

} // namespace tobrix
