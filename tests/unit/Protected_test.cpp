// The protected data file's layout and keys, on the stand-in cryptography; the Windows
// layer's tests check the real one against published vectors.

#include "store/Protected.h"

#include "common/Error.h"
#include "store/DataFile.h"
#include "support/ErrorOf.h"
#include "support/FakeCrypto.h"
#include "support/FakeFiles.h"
#include "support/Scramble.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace tobrix {
namespace {

using test::ErrorOf;

ByteSpan Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void PutLittle(std::string& file, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        file[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
}

class ProtectedTest : public ::testing::Test {
protected:
    test::FakeCrypto crypto;
    MasterKey key = MasterKey::Create(crypto, Bytes("correct horse"));
};

TEST_F(ProtectedTest, ANewKeyHasARandomSaltTheDefaultCountAndIsKeptProtected) {
    EXPECT_EQ(key.Iterations(), kDefaultIterations);
    EXPECT_EQ(crypto.lastIterations, kDefaultIterations);
    EXPECT_EQ(crypto.protectedBlocks, 1);
    const MasterKey other = MasterKey::Create(crypto, Bytes("correct horse"));
    EXPECT_NE(other.Salt(), key.Salt());
    EXPECT_TRUE(key.Matches(crypto, Bytes("correct horse")));
    EXPECT_FALSE(key.Matches(crypto, Bytes("correct horsE")));
    EXPECT_FALSE(key.Matches(crypto, Bytes("")));
}

TEST_F(ProtectedTest, HeaderForms) {
    const std::string file = key.Seal(crypto, "a\x08"
                                              "b\r\n");
    ProtectedHeader header;
    ASSERT_EQ(ParseProtectedHeader(file, header), HeaderStatus::Ok);
    EXPECT_EQ(file.substr(0, 8), "{Tobrix}");
    EXPECT_EQ(file.size(), kProtectedHeaderSize + 5 + kTagSize);
    EXPECT_EQ(header.iterations, kDefaultIterations);
    EXPECT_EQ(header.salt, key.Salt());
    EXPECT_EQ(std::string(file.data() + 32, kNonceSize), std::string(header.nonce.begin(), header.nonce.end()));

    struct Case {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        int bytes;
        HeaderStatus expected;
    };
    const std::vector<Case> cases = {
        {"magic", 1, 'X', 1, HeaderStatus::Damaged},
        {"version 0", 8, 0, 2, HeaderStatus::Newer},
        {"version 3", 8, 3, 2, HeaderStatus::Newer},
        {"key derivation", 10, 2, 1, HeaderStatus::Newer},
        {"cipher", 11, 0, 1, HeaderStatus::Newer},
        {"iterations 99 999", 12, 99'999, 4, HeaderStatus::Damaged},
        {"iterations 0", 12, 0, 4, HeaderStatus::Damaged},
        {"iterations 100 000", 12, 100'000, 4, HeaderStatus::Ok},
        {"iterations 6 000 000", 12, 6'000'000, 4, HeaderStatus::Ok},
        {"iterations 6 000 001", 12, 6'000'001, 4, HeaderStatus::Newer},
        {"iterations 2^32 - 1", 12, 0xFFFFFFFF, 4, HeaderStatus::Newer},
    };
    for (const Case& c : cases) {
        std::string changed = file;
        PutLittle(changed, c.at, c.value, c.bytes);
        // Changed on purpose: the checksum follows. Without it, any change is damage.
        std::string unstamped = changed;
        PutLittle(changed, 76, HeaderChecksum(changed), 4);
        ProtectedHeader parsed;
        EXPECT_EQ(ParseProtectedHeader(changed, parsed), c.expected) << c.what;
        if (c.at >= 12) {
            EXPECT_EQ(ParseProtectedHeader(unstamped, parsed), HeaderStatus::Damaged) << c.what;
        }
        if (c.expected == HeaderStatus::Ok) {
            EXPECT_EQ(parsed.iterations, c.value) << c.what;
        }
    }

    // Cut short anywhere before the end of the tag it is damaged; a later version's file is
    // known as one as soon as its version number is there.
    for (std::size_t size : {0u, 1u, 7u, 8u, 9u, 10u, 12u, 15u, 16u, 31u, 44u, 75u, 76u, 80u, 95u})
        EXPECT_EQ(ParseProtectedHeader(file.substr(0, size), header), HeaderStatus::Damaged) << size;
    std::string newer = file.substr(0, 10);
    PutLittle(newer, 8, 3, 2);
    EXPECT_EQ(ParseProtectedHeader(newer, header), HeaderStatus::Newer);
    EXPECT_EQ(ParseProtectedHeader(key.Seal(crypto, ""), header), HeaderStatus::Ok);

    EXPECT_TRUE(IsProtectedFile(file));
    EXPECT_FALSE(IsProtectedFile(""));
    EXPECT_FALSE(IsProtectedFile(test::Scramble("a\x08"
                                                "b\r\n")));
}

TEST_F(ProtectedTest, SealedTextOpensWithTheKeyOfTheFilesSaltAndCountOnly) {
    const std::string text = "title\x08user\x08secret password\x08memo\x08url\r\n";
    const std::string first = key.Seal(crypto, text);
    const std::string second = key.Seal(crypto, text);
    EXPECT_NE(first.substr(32, kNonceSize), second.substr(32, kNonceSize)); // a new nonce every save
    EXPECT_EQ(first.find("secret"), std::string::npos);

    ProtectedHeader header;
    ASSERT_EQ(ParseProtectedHeader(second, header), HeaderStatus::Ok);
    const MasterKey again = MasterKey::Derive(crypto, Bytes("correct horse"), header.salt, header.iterations);
    for (const std::string& file : {first, second}) {
        std::string opened = "left over";
        EXPECT_EQ(again.Open(crypto, file, opened), MasterKey::OpenStatus::Ok);
        EXPECT_EQ(opened, text);
    }
    std::string empty = "left over";
    EXPECT_EQ(key.Open(crypto, key.Seal(crypto, ""), empty), MasterKey::OpenStatus::Ok);
    EXPECT_EQ(empty, "");

    // Another password, or the same one with another salt, is told apart by the key check.
    const MasterKey wrong = MasterKey::Derive(crypto, Bytes("correct horsE"), header.salt, header.iterations);
    const MasterKey otherSalt = MasterKey::Create(crypto, Bytes("correct horse"));
    for (const MasterKey* k : {&wrong, &otherSalt}) {
        std::string opened = "left over";
        EXPECT_EQ(k->Open(crypto, first, opened), MasterKey::OpenStatus::WrongPassword);
        EXPECT_EQ(opened, "");
    }
}

TEST_F(ProtectedTest, AChangedByteAnywhereIsDamageNotAWrongPassword) {
    const std::string file = key.Seal(crypto, "title\x08user\x08pass\x08memo\x08url\r\n");
    struct Case {
        std::size_t at;
        MasterKey::OpenStatus expected;
    };
    const std::vector<Case> cases = {
        {16, MasterKey::OpenStatus::Damaged}, // salt: the header's checksum tells
        {32, MasterKey::OpenStatus::Damaged}, // nonce
        {44, MasterKey::OpenStatus::Damaged}, // key check
        {76, MasterKey::OpenStatus::Damaged}, // the checksum itself
        {80, MasterKey::OpenStatus::Damaged}, // text
        {file.size() - kTagSize - 1, MasterKey::OpenStatus::Damaged},
        {file.size() - 1, MasterKey::OpenStatus::Damaged}, // tag
    };
    for (const Case& c : cases) {
        std::string changed = file;
        changed[c.at] = static_cast<char>(changed[c.at] ^ 0x01);
        std::string opened = "left over";
        EXPECT_EQ(key.Open(crypto, changed, opened), c.expected) << c.at;
        EXPECT_EQ(opened, "") << c.at;
    }
    std::string opened;
    EXPECT_EQ(key.Open(crypto, file.substr(0, 95), opened), MasterKey::OpenStatus::Damaged);
}

TEST(Wipe, AStringIsWipedToTheEndOfItsMemoryNotOnlyToItsLength) {
    std::string text = "title\x08user\x08a long secret password\r\n";
    text.resize(5); // what a shorter text leaves behind it stays in the memory
    const char* memory = text.data();
    const std::size_t capacity = text.capacity();
    Wipe(text);
    EXPECT_EQ(text.data(), memory);
    EXPECT_EQ(std::string(memory, capacity), std::string(capacity, '\0'));
}

TEST_F(ProtectedTest, WithoutTheSystemsCryptographyNothingIsSealed) {
    crypto.fail = true;
    EXPECT_EQ(ErrorOf([&] { key.Seal(crypto, "text"); }), kMsgCryptoFailed);
    EXPECT_EQ(ErrorOf([&] { MasterKey::Create(crypto, Bytes("pw")); }), kMsgCryptoFailed);
}

// The data file with a master key, on the in-memory file system.
class ProtectedDataFileTest : public ProtectedTest {
protected:
    void SetUp() override {
        TVirtualItem& it = list.AppendNew();
        it.Title = "Bank";
        it.UserID = "alice";
        it.Password = "hunter2";
        list.AppendNew().URL = std::string(10000, 'u'); // more than one buffer
    }
    std::string OpenedText(const std::string& file) {
        ProtectedHeader header;
        EXPECT_EQ(ParseProtectedHeader(file, header), HeaderStatus::Ok);
        std::string text;
        EXPECT_EQ(key.Open(crypto, file, text), MasterKey::OpenStatus::Ok);
        return text;
    }

    const std::string kPath = "C:\\Tobrix\\Tobrix.DAT";
    test::FakeFiles files;
    ItemDataList list;
    DataFormat format{&crypto, &key};
};

TEST_F(ProtectedDataFileTest, ASaveWithAKeyHoldsNoEntryTextAndReadsBackThroughTheKey) {
    files.files[kPath] = "old bytes";
    SaveDataFile(files, kPath, list, format);
    const std::string saved = ReadDataFile(files, kPath);
    EXPECT_EQ(files.files.size(), 1u);
    for (const char* clear : {"Bank", "alice", "hunter2", "uuuu"})
        EXPECT_EQ(saved.find(clear), std::string::npos) << clear;
    EXPECT_EQ(OpenedText(saved), BuildDataText(list));
    EXPECT_TRUE(PeekProtected(files, kPath));

    // The scrambled reader refuses it rather than make entries of its bytes.
    ItemDataList loaded;
    EXPECT_EQ(ErrorOf([&] { LoadDataFile(files, kPath, false, loaded); }), Substitute(kMsgCannotOpen, kPath));
    EXPECT_EQ(loaded.Count(), 0);

    // Written in place where the folder takes no new file, and as a new file.
    files.noNewFiles.insert("C:\\Tobrix");
    list.At(0).Password = "changed";
    SaveDataFile(files, kPath, list, format);
    EXPECT_EQ(OpenedText(files.files.at(kPath)), BuildDataText(list));
    files.noNewFiles.clear();
    EXPECT_FALSE(SaveNewDataFile(files, kPath, list, format));
    EXPECT_TRUE(SaveNewDataFile(files, kPath + ".new", list, format));
    EXPECT_EQ(OpenedText(files.files.at(kPath + ".new")), BuildDataText(list));
}

TEST_F(ProtectedDataFileTest, WithoutAKeyTheScrambledFileIsWrittenAsEver) {
    SaveDataFile(files, kPath, list, DataFormat{&crypto, nullptr});
    EXPECT_EQ(files.files.at(kPath), test::Scramble(BuildDataText(list)));
    EXPECT_FALSE(PeekProtected(files, kPath));
    std::string bytes = ReadDataFile(files, kPath);
    ItemDataList parsed;
    ParseScrambled(bytes, false, parsed);
    EXPECT_EQ(bytes, BuildDataText(list)); // unscrambled in place
    ASSERT_EQ(parsed.Count(), 2);
    EXPECT_EQ(parsed.At(0).Password, "hunter2");

    files.files.erase(kPath);
    EXPECT_FALSE(PeekProtected(files, kPath));
    EXPECT_EQ(ErrorOf([&] { ReadDataFile(files, kPath); }), Substitute(kMsgCannotOpen, kPath));
}

TEST_F(ProtectedDataFileTest, ASaveThatCannotSealLeavesTheOldFileAndMakesNone) {
    files.files[kPath] = "old bytes";
    crypto.fail = true;
    EXPECT_EQ(ErrorOf([&] { SaveDataFile(files, kPath, list, format); }), kMsgCryptoFailed);
    EXPECT_EQ(ErrorOf([&] { SaveNewDataFile(files, kPath + ".new", list, format); }), kMsgCryptoFailed);
    EXPECT_EQ(files.files, (std::map<std::string, std::string>{{kPath, "old bytes"}}));
}

} // namespace
} // namespace tobrix
