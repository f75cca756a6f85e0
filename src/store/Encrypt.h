#pragma once
// The data file's scrambling: a positional XOR with a 32-bit key, the same in both directions.

#include "store/Stream.h"

#include <cstddef>
#include <cstdint>

namespace tobrix {

inline constexpr std::uint32_t kDataFileKey = 0x3CA5E17Bu;

// XORs n bytes that start at a stream offset divisible by 4: byte i with key byte (i mod 4),
// key byte 0 being the least significant.
void XorBytes(std::uint32_t key, char* data, std::size_t n);

// Copies the source from its current position to its end into the destination, scrambling
// on the way, through one 4096-byte buffer. Throws AppError on a short write.
void XorStream(std::uint32_t key, ByteSink& destination, ByteSource& source);

} // namespace tobrix
