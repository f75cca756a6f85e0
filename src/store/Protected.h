#pragma once
// The protected data file: the same clear text as the scrambled one, encrypted with a key
// derived from the user's master password.
//
// Layout, integers little-endian:
//   offset size
//        0    8  magic "{Tobrix}" (its first byte 0x7B unscrambles to 0x00, which no
//                scrambled data file starts with)
//        8    2  format version, 2 (version 1 has no header checksum: its text starts at 76)
//       10    1  key derivation: 1 = PBKDF2-HMAC-SHA256
//       11    1  cipher: 1 = AES-256-GCM
//       12    4  iterations
//       16   16  salt
//       32   12  nonce, new for every save
//       44   32  key check: HMAC-SHA256 of bytes 0..43 under the check key
//       76    4  header checksum: CRC-32 of bytes 0..75, so that a damaged header is not taken
//                for a wrong password
//       80    n  the clear text, encrypted
//     80+n   16  the GCM tag over bytes 0..79 (associated data) and the text
// The password's PBKDF2 result is not used itself: the file key and the check key are HMACs
// of fixed labels under it, so that the check value tells nothing about the file key.

#include "common/Cp932Literal.h"
#include "common/Secret.h"
#include "platform/Crypto.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tobrix {

inline constexpr std::string_view kProtectedMagic{"{Tobrix}", 8};
inline constexpr std::uint16_t kProtectedVersion = 2;
// The header this version writes; a version 1 file's is 76 bytes long.
inline constexpr std::size_t kProtectedHeaderSize = 80;
inline constexpr std::uint32_t kDefaultIterations = 600'000;
inline constexpr std::uint32_t kMinIterations = 100'000;
// More than this is taken for a later version's count: deriving it would hold the window for
// minutes.
inline constexpr std::uint32_t kMaxIterations = 10 * kDefaultIterations;
static_assert(kMaxIterations <= 10'000'000);

// True when the file's first bytes say it is a protected data file (the first byte is enough:
// no scrambled file starts with it). An empty file is a scrambled one with no entries.
bool IsProtectedFile(std::string_view firstBytes);

struct ProtectedHeader {
    std::size_t size = 0; // where the encrypted text starts
    std::uint32_t iterations = 0;
    std::array<std::uint8_t, kSaltSize> salt{};
    std::array<std::uint8_t, kNonceSize> nonce{};
    std::array<std::uint8_t, kMacSize> check{};
};

enum class HeaderStatus {
    Ok,
    Damaged, // too short, values no version of the program writes, or a checksum that does not match
    Newer,   // a later format version, key derivation, cipher, or more iterations than this one takes
};

// Reads the header of a whole protected file (magic included), checking its form and its
// checksum only.
HeaderStatus ParseProtectedHeader(std::string_view file, ProtectedHeader& header);

// The checksum of a header (CRC-32 of its first 76 bytes), as a file of this version keeps it
// in bytes 76..79.
std::uint32_t HeaderChecksum(std::string_view file);

// The session's master password, as keys: the salt and iteration count they came from, and
// the file key and check key, kept encrypted in memory (Crypto::ProtectMemory) between uses.
// The password itself is not kept.
class MasterKey {
public:
    // Derives the keys of a password (UTF-8 of its NFC form) with the salt and count of a file.
    static MasterKey Derive(Crypto& crypto, ByteSpan password, const std::array<std::uint8_t, kSaltSize>& salt,
                            std::uint32_t iterations);
    // Keys for a new password: a new random salt, kDefaultIterations.
    static MasterKey Create(Crypto& crypto, ByteSpan password);

    // Whether the password gives these keys (derived again with this salt and count).
    bool Matches(Crypto& crypto, ByteSpan password) const;

    std::uint32_t Iterations() const { return iterations_; }
    const std::array<std::uint8_t, kSaltSize>& Salt() const { return salt_; }

    // The protected file of a clear text, with a new nonce.
    std::string Seal(Crypto& crypto, std::string_view text) const;

    enum class OpenStatus { Ok, WrongPassword, Damaged };
    // The clear text of a protected file whose header parsed as Ok with this key's salt and
    // count. WrongPassword when the key check does not match; Damaged when it does but the
    // text does not decrypt (changed bytes). `text` is left empty unless Ok.
    OpenStatus Open(Crypto& crypto, std::string_view file, std::string& text) const;

private:
    MasterKey(Secret keys, const std::array<std::uint8_t, kSaltSize>& salt, std::uint32_t iterations);
    // A clear copy of keys_, for one use.
    Secret ClearKeys(Crypto& crypto) const;

    Secret keys_; // file key, check key; protected
    std::array<std::uint8_t, kSaltSize> salt_{};
    std::uint32_t iterations_ = 0;
};

} // namespace tobrix
