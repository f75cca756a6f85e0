#pragma once
// A stand-in for the system's cryptography in native tests: deterministic, fast and NOT
// secure (keyed FNV hashes and an XOR stream). It keeps the properties the program relies on:
// a different key, nonce or byte gives a different result, and Open fails on any change.

#include "common/Error.h"
#include "platform/Crypto.h"

#include <cstring>
#include <deque>

namespace tobrix::test {

class FakeCrypto final : public Crypto {
public:
    int derivations = 0;      // DeriveKey calls
    std::uint32_t lastIterations = 0;
    int protectedBlocks = 0;  // ProtectMemory minus UnprotectMemory calls
    bool fail = false;        // every call throws, as when the system has no CNG
    std::deque<std::uint8_t> script; // random bytes given first, before the made-up ones
    int randomCalls = 0;

    void Random(MutableByteSpan out) override {
        Check();
        ++randomCalls;
        for (std::uint8_t& b : out) {
            if (script.empty()) {
                b = static_cast<std::uint8_t>(Next(counter_++));
            } else {
                b = script.front();
                script.pop_front();
            }
        }
    }
    void DeriveKey(ByteSpan password, ByteSpan salt, std::uint32_t iterations, MutableByteSpan out) override {
        Check();
        ++derivations;
        lastIterations = iterations;
        std::uint64_t h = Hash(Hash(Hash(kBasis, password), salt), {reinterpret_cast<const std::uint8_t*>(&iterations), 4});
        Stream(h, out);
    }
    void Hmac(ByteSpan key, ByteSpan data, std::span<std::uint8_t, kMacSize> mac) override {
        Check();
        Stream(Hash(Hash(kBasis ^ 1, key), data), mac);
    }
    void Seal(std::span<const std::uint8_t, kKeySize> key, std::span<const std::uint8_t, kNonceSize> nonce,
              ByteSpan associated, MutableByteSpan text, std::span<std::uint8_t, kTagSize> tag) override {
        Check();
        Xor(Hash(Hash(kBasis ^ 2, key), nonce), text);
        Stream(Hash(Hash(Hash(kBasis ^ 3, key), associated), text), tag);
    }
    bool Open(std::span<const std::uint8_t, kKeySize> key, std::span<const std::uint8_t, kNonceSize> nonce,
              ByteSpan associated, MutableByteSpan text, std::span<const std::uint8_t, kTagSize> tag) override {
        Check();
        std::uint8_t expected[kTagSize];
        Stream(Hash(Hash(Hash(kBasis ^ 3, key), associated), text), expected);
        if (std::memcmp(expected, tag.data(), kTagSize) != 0) {
            std::memset(text.data(), 0, text.size());
            return false;
        }
        Xor(Hash(Hash(kBasis ^ 2, key), nonce), text);
        return true;
    }
    void ProtectMemory(MutableByteSpan secret) override {
        for (std::uint8_t& b : secret)
            b ^= 0x5A;
        ++protectedBlocks;
    }
    void UnprotectMemory(MutableByteSpan secret) override {
        for (std::uint8_t& b : secret)
            b ^= 0x5A;
        --protectedBlocks;
    }

private:
    static constexpr std::uint64_t kBasis = 14695981039346656037ull;
    static std::uint64_t Hash(std::uint64_t h, ByteSpan bytes) {
        for (std::uint8_t b : bytes)
            h = (h ^ b) * 1099511628211ull;
        return h;
    }
    static std::uint64_t Next(std::uint64_t x) {
        x += 0x9E3779B97F4A7C15ull;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        return x ^ (x >> 31);
    }
    static void Stream(std::uint64_t seed, MutableByteSpan out) {
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = static_cast<std::uint8_t>(Next(seed + i) >> 8);
    }
    static void Xor(std::uint64_t seed, MutableByteSpan text) {
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] ^= static_cast<std::uint8_t>(Next(seed + i) >> 8);
    }
    void Check() const {
        if (fail)
            throw AppError(std::string(kMsgCryptoFailed));
    }
    std::uint64_t counter_ = 1;
};

} // namespace tobrix::test
