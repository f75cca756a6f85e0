#include "store/Protected.h"

#include <cstring>

namespace tobrix {

namespace {

constexpr std::uint8_t kKdfPbkdf2Sha256 = 1;
constexpr std::uint8_t kCipherAes256Gcm = 1;

constexpr std::size_t kVersionAt = 8;
constexpr std::size_t kKdfAt = 10;
constexpr std::size_t kCipherAt = 11;
constexpr std::size_t kIterationsAt = 12;
constexpr std::size_t kSaltAt = 16;
constexpr std::size_t kNonceAt = 32;
constexpr std::size_t kCheckAt = 44;
constexpr std::size_t kChecksumAt = kCheckAt + kMacSize;
static_assert(kChecksumAt + 4 == kProtectedHeaderSize);
constexpr std::uint16_t kVersionWithoutChecksum = 1;

// The two keys are HMACs of these labels under the password's PBKDF2 result. They are part
// of the format: a change makes every existing file unreadable.
constexpr std::string_view kFileKeyLabel = "Tobrix data file key";
constexpr std::string_view kCheckKeyLabel = "Tobrix password check key";

ByteSpan BytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}
MutableByteSpan BytesOf(std::string& text) {
    return {reinterpret_cast<std::uint8_t*>(text.data()), text.size()};
}

std::uint8_t ByteAt(std::string_view file, std::size_t at) {
    return static_cast<std::uint8_t>(file[at]);
}

std::uint32_t ReadLittle(std::string_view file, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | ByteAt(file, at + static_cast<std::size_t>(i));
    return value;
}

void WriteLittle(std::string& file, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        file[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// The file key and the check key of a password, in the clear.
Secret DeriveKeys(Crypto& crypto, ByteSpan password, const std::array<std::uint8_t, kSaltSize>& salt,
                  std::uint32_t iterations) {
    Secret master(kKeySize);
    crypto.DeriveKey(password, salt, iterations, master.span());
    Secret keys(2 * kKeySize);
    crypto.Hmac(master.span(), BytesOf(kFileKeyLabel), keys.span().first<kKeySize>());
    crypto.Hmac(master.span(), BytesOf(kCheckKeyLabel), keys.span().subspan<kKeySize, kKeySize>());
    return keys;
}

} // namespace

bool IsProtectedFile(std::string_view firstBytes) {
    return !firstBytes.empty() && firstBytes.front() == kProtectedMagic.front();
}

std::uint32_t HeaderChecksum(std::string_view file) {
    // CRC-32 (IEEE 802.3, reflected), bit by bit: 76 bytes are checked once per open.
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char c : file.substr(0, kChecksumAt)) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

HeaderStatus ParseProtectedHeader(std::string_view file, ProtectedHeader& header) {
    // Each field is looked at only once the file reaches it. A later version may lay out
    // everything after its version number differently, so that one is told apart first.
    if (file.size() < kVersionAt || file.substr(0, kVersionAt) != kProtectedMagic)
        return HeaderStatus::Damaged;
    if (file.size() < kKdfAt)
        return HeaderStatus::Damaged;
    const std::uint32_t version = ReadLittle(file, kVersionAt, 2);
    if (version != kProtectedVersion && version != kVersionWithoutChecksum)
        return HeaderStatus::Newer;
    const std::size_t size = version == kVersionWithoutChecksum ? kChecksumAt : kProtectedHeaderSize;
    if (file.size() < kSaltAt)
        return HeaderStatus::Damaged;
    if (ByteAt(file, kKdfAt) != kKdfPbkdf2Sha256 || ByteAt(file, kCipherAt) != kCipherAes256Gcm)
        return HeaderStatus::Newer;
    const std::uint32_t iterations = ReadLittle(file, kIterationsAt, 4);
    if (iterations < kMinIterations)
        return HeaderStatus::Damaged;
    if (file.size() < size + kTagSize)
        return HeaderStatus::Damaged;
    if (size == kProtectedHeaderSize && ReadLittle(file, kChecksumAt, 4) != HeaderChecksum(file))
        return HeaderStatus::Damaged;
    // Told only of a header known to be whole: a damaged count is no later version's.
    if (iterations > kMaxIterations)
        return HeaderStatus::Newer;
    header.size = size;
    header.iterations = iterations;
    std::memcpy(header.salt.data(), file.data() + kSaltAt, kSaltSize);
    std::memcpy(header.nonce.data(), file.data() + kNonceAt, kNonceSize);
    std::memcpy(header.check.data(), file.data() + kCheckAt, kMacSize);
    return HeaderStatus::Ok;
}

MasterKey::MasterKey(Secret keys, const std::array<std::uint8_t, kSaltSize>& salt, std::uint32_t iterations)
    : keys_(std::move(keys)), salt_(salt), iterations_(iterations) {}

MasterKey MasterKey::Derive(Crypto& crypto, ByteSpan password, const std::array<std::uint8_t, kSaltSize>& salt,
                            std::uint32_t iterations) {
    static_assert(2 * kKeySize % kProtectBlock == 0);
    Secret keys = DeriveKeys(crypto, password, salt, iterations);
    crypto.ProtectMemory(keys.span());
    return MasterKey(std::move(keys), salt, iterations);
}

MasterKey MasterKey::Create(Crypto& crypto, ByteSpan password) {
    std::array<std::uint8_t, kSaltSize> salt{};
    crypto.Random(salt);
    return Derive(crypto, password, salt, kDefaultIterations);
}

Secret MasterKey::ClearKeys(Crypto& crypto) const {
    Secret keys(keys_.data(), keys_.size());
    crypto.UnprotectMemory(keys.span());
    return keys;
}

bool MasterKey::Matches(Crypto& crypto, ByteSpan password) const {
    const Secret derived = DeriveKeys(crypto, password, salt_, iterations_);
    const Secret keys = ClearKeys(crypto);
    return SameBytes(derived.span(), keys.span());
}

std::string MasterKey::Seal(Crypto& crypto, std::string_view text) const {
    std::string file(kProtectedHeaderSize + text.size() + kTagSize, '\0');
    // The text is encrypted where it lies in the file: until then the file is a clear copy.
    WipeOnExit clearCopy(file);

    std::memcpy(file.data(), kProtectedMagic.data(), kProtectedMagic.size());
    WriteLittle(file, kVersionAt, kProtectedVersion, 2);
    file[kKdfAt] = static_cast<char>(kKdfPbkdf2Sha256);
    file[kCipherAt] = static_cast<char>(kCipherAes256Gcm);
    WriteLittle(file, kIterationsAt, iterations_, 4);
    std::memcpy(file.data() + kSaltAt, salt_.data(), kSaltSize);
    const MutableByteSpan bytes = BytesOf(file);
    crypto.Random(bytes.subspan<kNonceAt, kNonceSize>());

    const Secret keys = ClearKeys(crypto);
    crypto.Hmac(keys.span().subspan<kKeySize, kKeySize>(), bytes.first(kCheckAt), bytes.subspan<kCheckAt, kMacSize>());
    WriteLittle(file, kChecksumAt, HeaderChecksum(file), 4);
    if (!text.empty())
        std::memcpy(file.data() + kProtectedHeaderSize, text.data(), text.size());
    crypto.Seal(keys.span().first<kKeySize>(), bytes.subspan<kNonceAt, kNonceSize>(), bytes.first(kProtectedHeaderSize),
                bytes.subspan(kProtectedHeaderSize, text.size()), bytes.last<kTagSize>());
    clearCopy.Keep();
    return file;
}

MasterKey::OpenStatus MasterKey::Open(Crypto& crypto, std::string_view file, std::string& text) const {
    Wipe(text);
    ProtectedHeader header;
    if (ParseProtectedHeader(file, header) != HeaderStatus::Ok)
        return OpenStatus::Damaged;
    const ByteSpan bytes = BytesOf(file);

    const Secret keys = ClearKeys(crypto);
    std::array<std::uint8_t, kMacSize> check{};
    crypto.Hmac(keys.span().subspan<kKeySize, kKeySize>(), bytes.first(kCheckAt), check);
    if (!SameBytes(check, header.check))
        return OpenStatus::WrongPassword;

    // Decrypted straight into the caller's string, which holds no other copy; whatever ends
    // the decryption early wipes it.
    const std::size_t length = file.size() - header.size - kTagSize;
    text.assign(file.substr(header.size, length));
    WipeOnExit unopened(text);
    if (!crypto.Open(keys.span().first<kKeySize>(), header.nonce, bytes.first(header.size), BytesOf(text),
                     bytes.last<kTagSize>()))
        return OpenStatus::Damaged;
    unopened.Keep();
    return OpenStatus::Ok;
}

} // namespace tobrix
