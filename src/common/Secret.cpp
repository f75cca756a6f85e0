#include "common/Secret.h"

namespace tobrix {

void Wipe(void* data, std::size_t size) {
    // Through a volatile pointer, so that the stores are not dropped as dead ones.
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i)
        p[i] = 0;
}

} // namespace tobrix
