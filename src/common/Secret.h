#pragma once
// Bytes that must not outlive their use: a password, a key, the clear text of a data file.
// They are overwritten before their memory is given back. Best effort only: copies the
// compiler or the system makes are out of reach.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tobrix {

// Overwrites the bytes with zeros in a way the compiler does not drop.
void Wipe(void* data, std::size_t size);
// The whole of the string's memory, also what a shorter text left behind it.
inline void Wipe(std::string& text) {
    text.resize(text.capacity()); // within the memory it has: nothing is moved
    Wipe(text.data(), text.size());
    text.clear();
}

// Whether two byte strings are equal, in a time that does not depend on where they differ
// (a key or a check value compared with a guess).
bool SameBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

// Wipes a string when the scope it guards is left, by a return or an exception, unless it
// was kept (Keep) as the result after all.
class WipeOnExit {
public:
    explicit WipeOnExit(std::string& text) : text_(&text) {}
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;
    ~WipeOnExit() {
        if (text_ != nullptr)
            Wipe(*text_);
    }
    void Keep() { text_ = nullptr; }

private:
    std::string* text_;
};

// A buffer of secret bytes, wiped when destroyed or reassigned. Not copyable.
class Secret {
public:
    Secret() = default;
    explicit Secret(std::size_t size) : bytes_(size) {}
    Secret(const std::uint8_t* data, std::size_t size) : bytes_(data, data + size) {}
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    Secret(Secret&& other) noexcept : bytes_(std::move(other.bytes_)) { other.bytes_.clear(); }
    Secret& operator=(Secret&& other) noexcept {
        if (this != &other) {
            Clear();
            bytes_ = std::move(other.bytes_);
            other.bytes_.clear();
        }
        return *this;
    }
    ~Secret() { Clear(); }

    void Clear() {
        Wipe(bytes_.data(), bytes_.size());
        bytes_.clear();
    }
    std::uint8_t* data() { return bytes_.data(); }
    const std::uint8_t* data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    std::span<std::uint8_t> span() { return bytes_; }
    std::span<const std::uint8_t> span() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_; // never grown: a reallocation would leave a copy behind
};

} // namespace tobrix
