// The system's cryptography as the program calls it: CNG against published test vectors, and
// the protected data file against bytes computed independently (protected_vector.py).

#include "win32/Win32Crypto.h"

#include "store/DataFile.h"
#include "store/Protected.h"
#include "support/ErrorOf.h"
#include "win32/PasswordDialog.h"
#include "win32/TestSupport.h"
#include "win32/Win32Files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tobrix::win32 {
namespace {

std::vector<std::uint8_t> FromHex(std::string_view hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

std::string Hex(ByteSpan bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}
std::string Hex(std::string_view bytes) {
    return Hex({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

ByteSpan Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(Win32Crypto, PublishedVectors) {
    Win32Crypto crypto;

    // PBKDF2-HMAC-SHA256, RFC 7914 section 11: "passwd", "salt", c = 1, dkLen = 64.
    std::vector<std::uint8_t> derived(64);
    crypto.DeriveKey(Bytes("passwd"), Bytes("salt"), 1, derived);
    EXPECT_EQ(Hex(derived), "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
                            "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");

    // HMAC-SHA256, RFC 4231 test case 2.
    std::array<std::uint8_t, kMacSize> mac{};
    crypto.Hmac(Bytes("Jefe"), Bytes("what do ya want for nothing?"), mac);
    EXPECT_EQ(Hex(mac), "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");

    // AES-256-GCM, test case 16 of McGrew and Viega's paper that defines GCM (with associated data).
    const std::vector<std::uint8_t> key = FromHex("feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308");
    const std::vector<std::uint8_t> nonce = FromHex("cafebabefacedbaddecaf888");
    const std::vector<std::uint8_t> associated = FromHex("feedfacedeadbeeffeedfacedeadbeefabaddad2");
    const std::string clear = "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a72"
                              "1c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657ba637b39";
    const std::string sealed = "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa"
                               "8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abcc9f662";
    std::vector<std::uint8_t> text = FromHex(clear);
    std::array<std::uint8_t, kTagSize> tag{};
    crypto.Seal(std::span<const std::uint8_t, kKeySize>(key.data(), kKeySize),
                std::span<const std::uint8_t, kNonceSize>(nonce.data(), kNonceSize), associated, text, tag);
    EXPECT_EQ(Hex(text), sealed);
    EXPECT_EQ(Hex(tag), "76fc6ece0f4e1768cddf8853bb2d551b");

    EXPECT_TRUE(crypto.Open(std::span<const std::uint8_t, kKeySize>(key.data(), kKeySize),
                            std::span<const std::uint8_t, kNonceSize>(nonce.data(), kNonceSize), associated, text,
                            tag));
    EXPECT_EQ(Hex(text), clear);

    // Changed associated data fails the tag, and nothing of the text is given out.
    std::vector<std::uint8_t> otherAssociated = associated;
    otherAssociated[0] ^= 1;
    text = FromHex(sealed);
    EXPECT_FALSE(crypto.Open(std::span<const std::uint8_t, kKeySize>(key.data(), kKeySize),
                             std::span<const std::uint8_t, kNonceSize>(nonce.data(), kNonceSize), otherAssociated, text,
                             tag));
    EXPECT_EQ(text, std::vector<std::uint8_t>(text.size(), 0));
}

TEST(Win32Crypto, RandomBytesDifferAndProtectedMemoryReadsBack) {
    Win32Crypto crypto;
    std::array<std::uint8_t, 32> a{}, b{};
    crypto.Random(a);
    crypto.Random(b);
    EXPECT_NE(a, b);
    EXPECT_NE(a, (std::array<std::uint8_t, 32>{}));

    // Read back from a copy, as the master key reads its keys.
    std::array<std::uint8_t, 64> secret{};
    for (std::size_t i = 0; i < secret.size(); ++i)
        secret[i] = static_cast<std::uint8_t>(i);
    const auto original = secret;
    crypto.ProtectMemory(secret);
    auto copy = secret;
    crypto.UnprotectMemory(copy);
    EXPECT_EQ(copy, original);
}

// The real cryptography with a nonce fixed in advance, to make a known file.
class FixedNonceCrypto final : public Crypto {
public:
    explicit FixedNonceCrypto(std::vector<std::uint8_t> random) : random_(std::move(random)) {}
    void Random(MutableByteSpan out) override {
        ASSERT_EQ(out.size(), random_.size());
        std::copy(random_.begin(), random_.end(), out.begin());
    }
    void DeriveKey(ByteSpan password, ByteSpan salt, std::uint32_t iterations, MutableByteSpan out) override {
        real_.DeriveKey(password, salt, iterations, out);
    }
    void Hmac(ByteSpan key, ByteSpan data, std::span<std::uint8_t, kMacSize> mac) override {
        real_.Hmac(key, data, mac);
    }
    void Seal(std::span<const std::uint8_t, kKeySize> key, std::span<const std::uint8_t, kNonceSize> nonce,
              ByteSpan associated, MutableByteSpan text, std::span<std::uint8_t, kTagSize> tag) override {
        real_.Seal(key, nonce, associated, text, tag);
    }
    bool Open(std::span<const std::uint8_t, kKeySize> key, std::span<const std::uint8_t, kNonceSize> nonce,
              ByteSpan associated, MutableByteSpan text, std::span<const std::uint8_t, kTagSize> tag) override {
        return real_.Open(key, nonce, associated, text, tag);
    }
    void ProtectMemory(MutableByteSpan secret) override { real_.ProtectMemory(secret); }
    void UnprotectMemory(MutableByteSpan secret) override { real_.UnprotectMemory(secret); }

private:
    Win32Crypto real_;
    std::vector<std::uint8_t> random_;
};

// What protected_vector.py prints.
constexpr std::string_view kPassword = "p\xC3\xA4ssw\xC3\xB6rt";
constexpr std::string_view kText = "Bank\x08"
                                   "alice\x08hunter2\x08\x08https://example.jp/\r\n\x83\x5e\x08\x08\x08\x08\r\n";
constexpr std::string_view kKnownFile = "7b546f627269787d02000101a0860100000102030405060708090a0b0c0d0e0f"
                                        "a0a1a2a3a4a5a6a7a8a9aaabea174ac390c793624797cb71f20809cedf3a50c3"
                                        "c40634169bfffba78727cc0f425dddc9f86eb01d6ccd387a03e4c770bdb083fc"
                                        "2d43e2fa084a4d05407d2cce6cfaade241907c90f3be74b54fabcf8f0819b1f2"
                                        "0ac5519ecc963a97856a6b651c8b54fbe7";
// The same file as earlier versions wrote it, without the header's checksum.
constexpr std::string_view kKnownFileVersion1 = "7b546f627269787d01000101a0860100000102030405060708090a0b0c0d0e0f"
                                                "a0a1a2a3a4a5a6a7a8a9aaab0f3b60855e7b8a1188ed4fd3ea9c9b26fa5cd3ba"
                                                "ab16f46b001e0b713cfd5b6ef86eb01d6ccd387a03e4c770bdb083fc2d43e2fa"
                                                "084a4d05407d2cce6cfaade241907c90f3be74b54fabcf8f0819b1f20a60ef59"
                                                "8226e295a61bb9d030a1f92254";

TEST(PasswordBytes, ADecomposedPasswordGivesTheKeyOfItsComposedFormAndHalfAPairIsRefused) {
    const Secret composed = Utf8Nfc(L"p\u00E4ssw\u00F6rt", 8);
    const Secret decomposed = Utf8Nfc(L"pa\u0308sswo\u0308rt", 10);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(composed.data()), composed.size()), kPassword);
    Win32Crypto crypto;
    const MasterKey key = MasterKey::Derive(crypto, composed.span(), {}, kMinIterations);
    EXPECT_TRUE(key.Matches(crypto, decomposed.span()));

    const wchar_t half[] = {L'a', static_cast<wchar_t>(0xD800), L'b'};
    EXPECT_NE(test::ErrorOf([&] { Utf8Nfc(half, 3); }), "(no error)");
}

class ProtectedFileTest : public ::testing::Test {
protected:
    std::string Read() {
        std::ifstream in(data, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void Write(const std::string& bytes) { std::ofstream(data, std::ios::binary) << bytes; }

    static std::array<std::uint8_t, kSaltSize> KnownSalt() {
        std::array<std::uint8_t, kSaltSize> salt{};
        for (std::size_t i = 0; i < salt.size(); ++i)
            salt[i] = static_cast<std::uint8_t>(i);
        return salt;
    }

    Win32Crypto crypto;
    Win32Files files;
    test::TempFolder folder{L"Tobrix crypto"};
    FilePath data = folder / L"Tobrix.DAT";
};

TEST_F(ProtectedFileTest, AKnownPasswordSaltAndNonceGiveTheBytesComputedIndependently) {
    FixedNonceCrypto fixed(FromHex("a0a1a2a3a4a5a6a7a8a9aaab"));
    const MasterKey key = MasterKey::Derive(fixed, Bytes(kPassword), KnownSalt(), kMinIterations);
    const std::string file = key.Seal(fixed, kText);
    EXPECT_EQ(Hex(file), kKnownFile);

    std::string text;
    EXPECT_EQ(key.Open(crypto, file, text), MasterKey::OpenStatus::Ok);
    EXPECT_EQ(text, kText);

    // A file of the first version, whose header has no checksum, still opens.
    const std::vector<std::uint8_t> old = FromHex(kKnownFileVersion1);
    EXPECT_EQ(key.Open(crypto, std::string(old.begin(), old.end()), text), MasterKey::OpenStatus::Ok);
    EXPECT_EQ(text, kText);
}

TEST_F(ProtectedFileTest, AChangedByteOrAWrongPasswordOpensNothingAndLeavesTheFile) {
    const std::vector<std::uint8_t> known = FromHex(kKnownFile);
    std::string file(known.begin(), known.end());
    file[kProtectedHeaderSize + 3] ^= 0x20;
    Write(file);

    const std::string read = ReadDataFile(files, data);
    ProtectedHeader header;
    ASSERT_EQ(ParseProtectedHeader(read, header), HeaderStatus::Ok);
    const MasterKey key = MasterKey::Derive(crypto, Bytes(kPassword), header.salt, header.iterations);
    std::string text = "left over";
    EXPECT_EQ(key.Open(crypto, read, text), MasterKey::OpenStatus::Damaged);
    EXPECT_EQ(text, "");

    const MasterKey wrong = MasterKey::Derive(crypto, Bytes("passwort"), header.salt, header.iterations);
    EXPECT_EQ(wrong.Open(crypto, read, text), MasterKey::OpenStatus::WrongPassword);
    EXPECT_EQ(text, "");
    EXPECT_EQ(Read(), file);
}

TEST_F(ProtectedFileTest, ASaveAtTheDefaultCountReadsBackWithThePasswordAlone) {
    ItemDataList list;
    TVirtualItem& item = list.AppendNew();
    item.Title = "Bank";
    item.Password = "hunter2";
    const MasterKey key = MasterKey::Create(crypto, Bytes(kPassword));
    SaveDataFile(files, data, list, DataFormat{&crypto, &key});
    EXPECT_EQ(Read().find("hunter2"), std::string::npos);
    EXPECT_TRUE(PeekProtected(files, data));

    const std::string read = ReadDataFile(files, data);
    ProtectedHeader header;
    ASSERT_EQ(ParseProtectedHeader(read, header), HeaderStatus::Ok);
    EXPECT_EQ(header.iterations, kDefaultIterations);
    const MasterKey again = MasterKey::Derive(crypto, Bytes(kPassword), header.salt, header.iterations);
    std::string text;
    ASSERT_EQ(again.Open(crypto, read, text), MasterKey::OpenStatus::Ok);
    EXPECT_EQ(text, BuildDataText(list));

    // An empty list is an empty text: only the header and the tag.
    SaveDataFile(files, data, ItemDataList(), DataFormat{&crypto, &again});
    EXPECT_EQ(Read().size(), kProtectedHeaderSize + kTagSize);
    EXPECT_EQ(again.Open(crypto, Read(), text), MasterKey::OpenStatus::Ok);
    EXPECT_EQ(text, "");
}

} // namespace
} // namespace tobrix::win32
