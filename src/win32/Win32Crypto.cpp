#include "win32/Win32Crypto.h"

#include "common/Error.h"
#include "common/Secret.h"
#include "win32/SystemLibrary.h"

#include <windows.h>

#include <bcrypt.h>
#include <dpapi.h>

#include <limits>
#include <string>

namespace tobrix::win32 {

namespace {

// ntstatus.h's value; that header does not go together with windows.h.
constexpr NTSTATUS kStatusAuthTagMismatch = static_cast<NTSTATUS>(0xC000A002L);

[[noreturn]] void Fail() {
    throw AppError(std::string(kMsgCryptoFailed));
}

void Check(NTSTATUS status) {
    if (!BCRYPT_SUCCESS(status))
        Fail();
}

// CNG takes lengths as ULONG and buffers as non-const pointers even where it only reads.
ULONG Length(std::size_t size) {
    if (size > std::numeric_limits<ULONG>::max())
        Fail();
    return static_cast<ULONG>(size);
}
PUCHAR In(ByteSpan bytes) {
    return const_cast<PUCHAR>(bytes.data());
}

} // namespace

// bcrypt.dll with its functions and the two algorithms the program uses, open for the rest of
// the run: SHA-256 as HMAC (for PBKDF2 as well) and AES in GCM mode.
class Win32Crypto::Cng {
public:
    Cng() {
        try {
            module_ = LoadSystemLibrary(L"bcrypt.dll");
            if (module_ == nullptr)
                Fail();
            Bind(openAlgorithm, "BCryptOpenAlgorithmProvider");
            Bind(closeAlgorithm, "BCryptCloseAlgorithmProvider");
            Bind(setProperty, "BCryptSetProperty");
            Bind(genRandom, "BCryptGenRandom");
            Bind(deriveKeyPbkdf2, "BCryptDeriveKeyPBKDF2");
            Bind(createHash, "BCryptCreateHash");
            Bind(hashData, "BCryptHashData");
            Bind(finishHash, "BCryptFinishHash");
            Bind(destroyHash, "BCryptDestroyHash");
            Bind(generateSymmetricKey, "BCryptGenerateSymmetricKey");
            Bind(destroyKey, "BCryptDestroyKey");
            Bind(encrypt, "BCryptEncrypt");
            Bind(decrypt, "BCryptDecrypt");
            Check(openAlgorithm(&hmacSha256, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG));
            Check(openAlgorithm(&aesGcm, BCRYPT_AES_ALGORITHM, nullptr, 0));
            Check(setProperty(aesGcm, BCRYPT_CHAINING_MODE,
                              reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_GCM)),
                              sizeof BCRYPT_CHAIN_MODE_GCM, 0));
        } catch (...) {
            Close();
            throw;
        }
    }
    ~Cng() { Close(); }
    Cng(const Cng&) = delete;
    Cng& operator=(const Cng&) = delete;

    decltype(&BCryptOpenAlgorithmProvider) openAlgorithm = nullptr;
    decltype(&BCryptCloseAlgorithmProvider) closeAlgorithm = nullptr;
    decltype(&BCryptSetProperty) setProperty = nullptr;
    decltype(&BCryptGenRandom) genRandom = nullptr;
    decltype(&BCryptDeriveKeyPBKDF2) deriveKeyPbkdf2 = nullptr;
    decltype(&BCryptCreateHash) createHash = nullptr;
    decltype(&BCryptHashData) hashData = nullptr;
    decltype(&BCryptFinishHash) finishHash = nullptr;
    decltype(&BCryptDestroyHash) destroyHash = nullptr;
    decltype(&BCryptGenerateSymmetricKey) generateSymmetricKey = nullptr;
    decltype(&BCryptDestroyKey) destroyKey = nullptr;
    decltype(&BCryptEncrypt) encrypt = nullptr;
    decltype(&BCryptDecrypt) decrypt = nullptr;
    BCRYPT_ALG_HANDLE hmacSha256 = nullptr;
    BCRYPT_ALG_HANDLE aesGcm = nullptr;

private:
    template <typename Function> void Bind(Function& function, const char* name) {
        function = SystemFunction<Function>(module_, name);
        if (function == nullptr)
            Fail();
    }
    void Close() {
        if (aesGcm != nullptr)
            closeAlgorithm(aesGcm, 0);
        if (hmacSha256 != nullptr)
            closeAlgorithm(hmacSha256, 0);
        aesGcm = hmacSha256 = nullptr;
        if (module_ != nullptr)
            FreeLibrary(module_);
        module_ = nullptr;
    }

    HMODULE module_ = nullptr;
};

// CryptProtectMemory and CryptUnprotectMemory of crypt32.dll, or nothing where they cannot be
// had: the same answer for the whole run, so that what one protected the other reads back.
class Win32Crypto::MemoryProtection {
public:
    MemoryProtection() {
        module_ = LoadSystemLibrary(L"crypt32.dll");
        if (module_ == nullptr)
            return;
        protect = SystemFunction<decltype(&CryptProtectMemory)>(module_, "CryptProtectMemory");
        unprotect = SystemFunction<decltype(&CryptUnprotectMemory)>(module_, "CryptUnprotectMemory");
        if (protect == nullptr || unprotect == nullptr)
            protect = unprotect = nullptr;
    }
    ~MemoryProtection() {
        if (module_ != nullptr)
            FreeLibrary(module_);
    }
    MemoryProtection(const MemoryProtection&) = delete;
    MemoryProtection& operator=(const MemoryProtection&) = delete;

    decltype(&CryptProtectMemory) protect = nullptr;
    decltype(&CryptUnprotectMemory) unprotect = nullptr;

private:
    HMODULE module_ = nullptr;
};

Win32Crypto::Win32Crypto() = default;
Win32Crypto::~Win32Crypto() = default;

Win32Crypto::Cng& Win32Crypto::LoadCng() {
    if (!cng_)
        cng_ = std::make_unique<Cng>();
    return *cng_;
}

Win32Crypto::MemoryProtection& Win32Crypto::LoadProtection() {
    if (!protection_)
        protection_ = std::make_unique<MemoryProtection>();
    return *protection_;
}

void Win32Crypto::Random(MutableByteSpan out) {
    Cng& cng = LoadCng();
    Check(cng.genRandom(nullptr, out.data(), Length(out.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

void Win32Crypto::DeriveKey(ByteSpan password, ByteSpan salt, std::uint32_t iterations, MutableByteSpan out) {
    Cng& cng = LoadCng();
    const NTSTATUS status = cng.deriveKeyPbkdf2(cng.hmacSha256, In(password), Length(password.size()), In(salt),
                                                Length(salt.size()), iterations, out.data(), Length(out.size()), 0);
    if (!BCRYPT_SUCCESS(status)) {
        Wipe(out.data(), out.size());
        Fail();
    }
}

void Win32Crypto::Hmac(ByteSpan key, ByteSpan data, std::span<std::uint8_t, kMacSize> mac) {
    Cng& cng = LoadCng();
    BCRYPT_HASH_HANDLE hash = nullptr;
    // No object buffer: CNG keeps the hash's state itself (Windows 7 and later).
    Check(cng.createHash(cng.hmacSha256, &hash, nullptr, 0, In(key), Length(key.size()), 0));
    NTSTATUS status = cng.hashData(hash, In(data), Length(data.size()), 0);
    if (BCRYPT_SUCCESS(status))
        status = cng.finishHash(hash, mac.data(), static_cast<ULONG>(mac.size()), 0);
    cng.destroyHash(hash);
    if (!BCRYPT_SUCCESS(status)) {
        Wipe(mac.data(), mac.size());
        Fail();
    }
}

namespace {

// A key object of CNG for one call, destroyed with it.
class SymmetricKey {
public:
    SymmetricKey(decltype(&BCryptGenerateSymmetricKey) generate, decltype(&BCryptDestroyKey) destroy,
                 BCRYPT_ALG_HANDLE algorithm, ByteSpan secret)
        : destroy_(destroy) {
        Check(generate(algorithm, &key_, nullptr, 0, In(secret), Length(secret.size()), 0));
    }
    ~SymmetricKey() { destroy_(key_); }
    SymmetricKey(const SymmetricKey&) = delete;
    SymmetricKey& operator=(const SymmetricKey&) = delete;
    BCRYPT_KEY_HANDLE get() const { return key_; }

private:
    decltype(&BCryptDestroyKey) destroy_;
    BCRYPT_KEY_HANDLE key_ = nullptr;
};

BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO GcmInfo(ByteSpan nonce, ByteSpan associated, PUCHAR tag, ULONG tagSize) {
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = In(nonce);
    info.cbNonce = Length(nonce.size());
    info.pbAuthData = In(associated);
    info.cbAuthData = Length(associated.size());
    info.pbTag = tag;
    info.cbTag = tagSize;
    return info;
}

} // namespace

void Win32Crypto::Seal(std::span<const std::uint8_t, kKeySize> key, std::span<const std::uint8_t, kNonceSize> nonce,
                       ByteSpan associated, MutableByteSpan text, std::span<std::uint8_t, kTagSize> tag) {
    Cng& cng = LoadCng();
    const SymmetricKey cipher(cng.generateSymmetricKey, cng.destroyKey, cng.aesGcm, key);
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = GcmInfo(nonce, associated, tag.data(), kTagSize);
    // In place: CNG takes the same buffer for its input and output.
    ULONG written = 0;
    const NTSTATUS status = cng.encrypt(cipher.get(), text.data(), Length(text.size()), &info, nullptr, 0, text.data(),
                                        Length(text.size()), &written, 0);
    if (!BCRYPT_SUCCESS(status) || written != text.size()) {
        Wipe(text.data(), text.size());
        Wipe(tag.data(), tag.size());
        Fail();
    }
}

bool Win32Crypto::Open(std::span<const std::uint8_t, kKeySize> key, std::span<const std::uint8_t, kNonceSize> nonce,
                       ByteSpan associated, MutableByteSpan text, std::span<const std::uint8_t, kTagSize> tag) {
    Cng& cng = LoadCng();
    const SymmetricKey cipher(cng.generateSymmetricKey, cng.destroyKey, cng.aesGcm, key);
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = GcmInfo(nonce, associated, In(tag), kTagSize);
    ULONG written = 0;
    const NTSTATUS status = cng.decrypt(cipher.get(), text.data(), Length(text.size()), &info, nullptr, 0, text.data(),
                                        Length(text.size()), &written, 0);
    if (BCRYPT_SUCCESS(status) && written == text.size())
        return true;
    Wipe(text.data(), text.size());
    if (status == kStatusAuthTagMismatch)
        return false;
    Fail();
}

void Win32Crypto::ProtectMemory(MutableByteSpan secret) {
    const MemoryProtection& protection = LoadProtection();
    if (protection.protect != nullptr &&
        !protection.protect(secret.data(), Length(secret.size()), CRYPTPROTECTMEMORY_SAME_PROCESS))
        Fail();
}

void Win32Crypto::UnprotectMemory(MutableByteSpan secret) {
    const MemoryProtection& protection = LoadProtection();
    if (protection.unprotect != nullptr &&
        !protection.unprotect(secret.data(), Length(secret.size()), CRYPTPROTECTMEMORY_SAME_PROCESS))
        Fail();
}

} // namespace tobrix::win32
