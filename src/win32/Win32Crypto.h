#pragma once

#include "platform/Crypto.h"

#include <memory>

namespace tobrix::win32 {

// The system's cryptography: CNG (bcrypt.dll) and CryptProtectMemory (crypt32.dll). Neither
// DLL is imported: both are loaded from the system folder when first needed, so that a
// program that never protects its file never loads them. For the user-interface thread only.
class Win32Crypto final : public Crypto {
public:
    Win32Crypto();
    ~Win32Crypto() override;
    Win32Crypto(const Win32Crypto&) = delete;
    Win32Crypto& operator=(const Win32Crypto&) = delete;

    void Random(MutableByteSpan out) override;
    void DeriveKey(ByteSpan password, ByteSpan salt, std::uint32_t iterations, MutableByteSpan out) override;
    void Hmac(ByteSpan key, ByteSpan data, std::span<std::uint8_t, kMacSize> mac) override;
    void Seal(std::span<const std::uint8_t, kKeySize> key, std::span<const std::uint8_t, kNonceSize> nonce,
              ByteSpan associated, MutableByteSpan text, std::span<std::uint8_t, kTagSize> tag) override;
    bool Open(std::span<const std::uint8_t, kKeySize> key, std::span<const std::uint8_t, kNonceSize> nonce,
              ByteSpan associated, MutableByteSpan text, std::span<const std::uint8_t, kTagSize> tag) override;
    // Where crypt32.dll or its functions cannot be had, the bytes stay as they are; a call
    // that the system refuses throws, since a secret protected and not read back (or the
    // other way round) would be lost.
    void ProtectMemory(MutableByteSpan secret) override;
    void UnprotectMemory(MutableByteSpan secret) override;

private:
    class Cng;
    class MemoryProtection;
    // Loaded on the first call that needs them; LoadCng throws when CNG cannot be had.
    Cng& LoadCng();
    MemoryProtection& LoadProtection();

    std::unique_ptr<Cng> cng_;
    std::unique_ptr<MemoryProtection> protection_;
};

} // namespace tobrix::win32
