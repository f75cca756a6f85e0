#pragma once
// Byte streams between files, memory and the scrambler, and the file errors users see.

#include "common/Cp932Literal.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tobrix {

inline constexpr std::string_view kMsgCannotOpen = sjis<u8"ファイル %s は開けません">();
inline constexpr std::string_view kMsgCannotCreate = sjis<u8"ファイル %s を作成できません">();
inline constexpr std::string_view kMsgWriteError = sjis<u8"ストリームへの書き込みエラー">();

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
