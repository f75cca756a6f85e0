#pragma once
// The system's cryptography as the protected data file needs it: random bytes, the password
// key derivation, HMAC, the authenticated cipher, and memory kept encrypted for this process.
// None of it is implemented here: on Windows it is CNG and CryptProtectMemory.

#include "common/Cp932Literal.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tobrix {

inline constexpr std::size_t kKeySize = 32;   // AES-256, HMAC-SHA256 keys
inline constexpr std::size_t kMacSize = 32;   // HMAC-SHA256
inline constexpr std::size_t kNonceSize = 12; // GCM's 96-bit nonce
inline constexpr std::size_t kTagSize = 16;   // GCM's full tag
inline constexpr std::size_t kSaltSize = 16;
// CryptProtectMemory takes whole blocks of this size.
inline constexpr std::size_t kProtectBlock = 16;

inline constexpr std::string_view kMsgCryptoFailed = sjis<u8"Windows の暗号化機能を使用できません。">();

using ByteSpan = std::span<const std::uint8_t>;
using MutableByteSpan = std::span<std::uint8_t>;

class Crypto {
public:
    virtual ~Crypto() = default;
    // Every call throws AppError(kMsgCryptoFailed) when the system cannot do it; nothing is
    // then written to the outputs that a caller could take for a result.

    // Fills `out` from the system's random number generator.
    virtual void Random(MutableByteSpan out) = 0;
    // PBKDF2 with HMAC-SHA256 (RFC 8018), a key of out.size() bytes.
    virtual void DeriveKey(ByteSpan password, ByteSpan salt, std::uint32_t iterations, MutableByteSpan out) = 0;
    // HMAC-SHA256 of `data` under `key`: kMacSize bytes into `mac`.
    virtual void Hmac(ByteSpan key, ByteSpan data, std::span<std::uint8_t, kMacSize> mac) = 0;
    // AES-256-GCM. Seal encrypts `text` in place and writes the tag over `associated` and the
    // text. Open checks the tag and decrypts in place: false, with `text` wiped, when the tag
    // does not match (a wrong key or changed bytes).
    virtual void Seal(std::span<const std::uint8_t, kKeySize> key, std::span<const std::uint8_t, kNonceSize> nonce,
                      ByteSpan associated, MutableByteSpan text, std::span<std::uint8_t, kTagSize> tag) = 0;
    virtual bool Open(std::span<const std::uint8_t, kKeySize> key, std::span<const std::uint8_t, kNonceSize> nonce,
                      ByteSpan associated, MutableByteSpan text, std::span<const std::uint8_t, kTagSize> tag) = 0;
    // Encrypts a secret in place so that only this process can read it back, and back again;
    // its size is a multiple of kProtectBlock. Best effort: where the system cannot, the bytes
    // stay as they are.
    virtual void ProtectMemory(MutableByteSpan secret) = 0;
    virtual void UnprotectMemory(MutableByteSpan secret) = 0;
};

} // namespace tobrix
