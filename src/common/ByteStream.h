#pragma once
// Byte streams between files, memory and the scrambler.

#include <cstddef>
#include <string>

namespace tobrix {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes and returns how many were read; fewer only at the end of the
    // data. A failure to read throws AppError.
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Stores the bytes and returns how many were stored; fewer means the medium refused them.
    virtual std::size_t Write(const char* data, std::size_t size) = 0;
};

// Writes all bytes or throws AppError(kMsgWriteError).
void WriteAll(ByteSink& sink, const char* data, std::size_t size);

// Everything the source holds from where it is to its end. A failure to read throws AppError.
std::string ReadAll(ByteSource& source);

} // namespace tobrix
