#include "store/Encrypt.h"

#include "common/Secret.h"

#include <cstring>

namespace tobrix {

void XorBytes(std::uint32_t key, char* data, std::size_t n) {
    unsigned char keyBytes[8];
    for (int i = 0; i < 8; ++i)
        keyBytes[i] = static_cast<unsigned char>(key >> (8 * (i % 4)));
    std::uint64_t key64;
    std::memcpy(&key64, keyBytes, sizeof key64); // the key bytes in memory order, whatever the host
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        word ^= key64;
        std::memcpy(data + i, &word, sizeof word);
    }
    for (; i < n; ++i)
        data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) ^ keyBytes[i % 4]);
}

void XorStream(std::uint32_t key, ByteSink& destination, ByteSource& source) {
    // Every block but the last is a full 4096 bytes, a multiple of 4, so a byte's key
    // position depends on its offset in the whole stream only.
    constexpr std::size_t kBufferSize = 4096;
    char buffer[kBufferSize];
    std::size_t n;
    do {
        n = source.Read(buffer, kBufferSize);
        XorBytes(key, buffer, n);
        WriteAll(destination, buffer, n);
    } while (n == kBufferSize);
    // Scrambled is as good as clear: the buffer does not keep the list's last block.
    Wipe(buffer, sizeof buffer);
}

} // namespace tobrix
