#pragma once
// Byte streams in memory.

#include "common/ByteStream.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tobrix {

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view data) : data_(data) {}
    std::size_t Read(char* buffer, std::size_t size) override;

private:
    std::string_view data_;
    std::size_t pos_ = 0;
};

class StringSink final : public ByteSink {
public:
    explicit StringSink(std::string& out) : out_(out) {}
    std::size_t Write(const char* data, std::size_t size) override {
        out_.append(data, size);
        return size;
    }

private:
    std::string& out_;
};

} // namespace tobrix
