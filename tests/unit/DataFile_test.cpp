#include "store/DataFile.h"

#include "common/Error.h"
#include "support/ErrorOf.h"
#include "support/FakeFiles.h"
#include "support/Scramble.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tobrix {
namespace {

using namespace std::string_literals;
const std::string kPath = "C:\\Tobrix\\Tobrix.DAT";

struct Fields {
    std::string title, user, password, memo, url;
    bool operator==(const Fields&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Fields& f) {
    return os << '[' << f.title << '|' << f.user << '|' << f.password << '|' << f.memo << '|' << f.url << ']';
}

std::vector<Fields> Entries(const ItemDataList& list) {
    std::vector<Fields> out;
    for (int i = 0; i < list.Count(); ++i) {
        const TVirtualItem& it = list.At(i);
        out.push_back({it.Title, it.UserID, it.Password, it.Memo, it.URL});
    }
    return out;
}

class DataFileTest : public ::testing::Test {
protected:
    // Loads a clear text written to the fake disk through the test's own scrambler.
    std::vector<Fields> Load(const std::string& clear, bool hidePass = false) {
        files.files[kPath] = test::Scramble(clear);
        LoadDataFile(files, kPath, hidePass, list);
        return Entries(list);
    }
    std::string SavedClearText() {
        SaveDataFile(files, kPath, list);
        return test::Scramble(files.files.at(kPath));
    }

    test::FakeFiles files;
    ItemDataList list;
};

TEST_F(DataFileTest, AnEmptyFileGivesNoEntriesAndAnEmptyListSavesZeroBytes) {
    EXPECT_TRUE(Load("").empty());
    EXPECT_EQ(SavedClearText(), "");
}

TEST_F(DataFileTest, FieldExtraction) {
    EXPECT_EQ(Load("a\x08" "b\r\n"), (std::vector<Fields>{{"a", "", "", "", "b"}}));
    list.Clear();
    EXPECT_EQ(Load("no separator\r\n"), (std::vector<Fields>{{"", "", "", "", "no separator"}}));
    list.Clear();
    EXPECT_EQ(Load("t\x08u\x08p\x08m\x08h\r\n"), (std::vector<Fields>{{"t", "u", "p", "m", "h"}}));
    list.Clear();
    EXPECT_EQ(Load("\x08\x08\x08\x08\r\n"), (std::vector<Fields>{{"", "", "", "", ""}}));
}

TEST_F(DataFileTest, SixSeparatorsKeepTheLastTwoInTheUrlAndWriteThemBack) {
    const std::string line = "t\x08u\x08p\x08m\x08h1\x08h2\x08h3\r\n";
    EXPECT_EQ(Load(line), (std::vector<Fields>{{"t", "u", "p", "m", "h1\x08h2\x08h3"}}));
    EXPECT_EQ(SavedClearText(), line);
}

TEST_F(DataFileTest, ASeparatorByteInsideADoubleByteCharacterIsNoSeparator) {
    // 0x95 0x08 forms one character: the title runs on to the real separator.
    EXPECT_EQ(Load("\x95\x08x\x08u\x08p\x08m\x08h\r\n"), (std::vector<Fields>{{"\x95\x08x", "u", "p", "m", "h"}}));
    list.Clear();
    // A real character before the separator does not hide it.
    EXPECT_EQ(Load("\x88\xC3\x08u\x08p\x08m\x08h\r\n"), (std::vector<Fields>{{"\x88\xC3", "u", "p", "m", "h"}}));
}

TEST_F(DataFileTest, LineEndsAndEmptyLines) {
    // Bare LF reads like CR LF; after a save every line ends in CR LF.
    EXPECT_EQ(Load("a\x08" "1\nb\x08" "2\n"), (std::vector<Fields>{{"a", "", "", "", "1"}, {"b", "", "", "", "2"}}));
    EXPECT_EQ(SavedClearText(), "a\x08\x08\x08\x08" "1\r\nb\x08\x08\x08\x08" "2\r\n");
    list.Clear();
    // An empty line in the middle is an entry with empty fields; so is an empty last line.
    EXPECT_EQ(Load("x\r\n\r\ny\r\n\r\n"),
              (std::vector<Fields>{{"", "", "", "", "x"}, {}, {"", "", "", "", "y"}, {}}));
    list.Clear();
    // A last line without an end still counts.
    EXPECT_EQ(Load("x\r\ny"), (std::vector<Fields>{{"", "", "", "", "x"}, {"", "", "", "", "y"}}));
}

TEST_F(DataFileTest, ANulByteEndsTheText) {
    EXPECT_EQ(Load("a\r\nb\0c\r\nd\r\n"s), (std::vector<Fields>{{"", "", "", "", "a"}, {"", "", "", "", "b"}}));
}

TEST_F(DataFileTest, MaskedPasswordsFollowHidingAsForUnselectedRows) {
    Load("t\x08u\x08\x88\xC3\x8D\x86\x08m\x08h\r\nt\x08u\x08\x08m\x08h\r\n", true);
    EXPECT_EQ(list.At(0).MaskedPassword, "****");
    EXPECT_EQ(list.At(1).MaskedPassword, "");
    EXPECT_EQ(list.At(0).ImageIndex, -1);
    list.Clear();
    Load("t\x08u\x08pw\x08m\x08h\r\n", false);
    EXPECT_EQ(list.At(0).MaskedPassword, "pw");
}

// A clear text of exactly n bytes in the program's own form (four separators, CR LF).
std::string ClearTextOf(std::size_t n) {
    std::string text;
    int i = 0;
    while (text.size() + 100 < n) {
        text += "title" + std::to_string(i) + "\x08user\x08pass\x08memo\x08http://example.jp/" + std::to_string(i) + "\r\n";
        ++i;
    }
    const std::size_t fixed = 4 + 2; // separators and line end of the last line
    text += "\x08\x08\x08\x08" + std::string(n - text.size() - fixed, 'u') + "\r\n";
    return text;
}

TEST_F(DataFileTest, TextsAroundTheBufferSizeReadAndWriteBackByteForByte) {
    for (std::size_t n : {4096u, 4097u, 8192u, 8195u}) {
        const std::string clear = ClearTextOf(n);
        ASSERT_EQ(clear.size(), n);
        list.Clear();
        Load(clear);
        SaveDataFile(files, kPath, list);
        EXPECT_EQ(files.files.at(kPath), test::Scramble(clear)) << n;
    }
}

TEST_F(DataFileTest, AFileTheProgramWroteReadsAndWritesBackUnchanged) {
    for (const char* title : {"\x83\x5E\x83\x43\x83\x67\x83\x8B", "a", ""}) {
        TVirtualItem& it = list.AppendNew();
        it.Title = title;
        it.UserID = "\x95\x5C"; // a second byte 0x5C
        it.Password = "p@ss";
        it.Memo = "m";
        it.URL = "http://www.";
    }
    SaveDataFile(files, kPath, list);
    const std::string first = files.files.at(kPath);
    ItemDataList reread;
    LoadDataFile(files, kPath, false, reread);
    EXPECT_EQ(Entries(reread), Entries(list));
    SaveDataFile(files, kPath, reread);
    EXPECT_EQ(files.files.at(kPath), first);
}

TEST_F(DataFileTest, BuildDataTextGivesTheClearText) {
    TVirtualItem& it = list.AppendNew();
    it.Title = "t";
    it.URL = "u";
    it.MaskedPassword = "***"; // never stored
    it.Password = "pw";
    EXPECT_EQ(BuildDataText(list), "t\x08\x08pw\x08\x08u\r\n");
}

using test::ErrorOf;

TEST_F(DataFileTest, AFileThatCannotBeOpenedOrReadLeavesTheListEmpty) {
    files.files[kPath] = test::Scramble("a\r\nb\r\n");
    files.locked.insert(kPath);
    const std::string cannotOpen = Substitute(kMsgCannotOpen, kPath);
    EXPECT_EQ(ErrorOf([&] { LoadDataFile(files, kPath, false, list); }), cannotOpen);
    EXPECT_EQ(list.Count(), 0);
    files.locked.clear();
    files.failingReads.insert(kPath);
    EXPECT_EQ(ErrorOf([&] { LoadDataFile(files, kPath, false, list); }), cannotOpen);
    EXPECT_EQ(list.Count(), 0);
}

class AtomicSaveTest : public DataFileTest {
protected:
    void SetUp() override {
        files.files[kPath] = "old bytes";
        list.AppendNew().Title = std::string(10000, 'x'); // more than one buffer
    }
    std::string Saved() { return test::Scramble(BuildDataText(list)); }
    // After a failed save: the old file as it was, and no temporary file left behind.
    void ExpectOldFileIntact() {
        EXPECT_EQ(files.files.at(kPath), "old bytes");
        EXPECT_EQ(files.files.size(), 1u);
    }
    static constexpr const char* kFolder = "C:\\Tobrix";
};

TEST_F(AtomicSaveTest, SuccessReplacesTheFileAndLeavesNoTemporaryFileNorTouchesTheUsersOwn) {
    files.files[kPath + ".tmp"] = "the user's own";
    SaveDataFile(files, kPath, list);
    EXPECT_EQ(files.files.at(kPath), Saved());
    EXPECT_EQ(files.files.at(kPath + ".tmp"), "the user's own");
    EXPECT_EQ(files.files.size(), 2u);
    EXPECT_EQ(files.replaceCalls, 1);
}

TEST_F(AtomicSaveTest, ALinkStaysALinkAndTheFileItLeadsToIsReplaced) {
    const std::string synced = "D:\\Sync\\Tobrix.DAT";
    files.files.erase(kPath);
    files.links[kPath] = synced;
    files.files[synced] = "old bytes";
    SaveDataFile(files, kPath, list);
    EXPECT_EQ(files.files, (std::map<std::string, std::string>{{synced, Saved()}}));
}

TEST_F(AtomicSaveTest, AFolderThatTakesNoNewFileGetsTheDataFileWrittenInPlaceUnlessItIsReadOnly) {
    files.noNewFiles.insert(kFolder);
    files.readOnly.insert(kPath);
    EXPECT_EQ(ErrorOf([&] { SaveDataFile(files, kPath, list); }), Substitute(kMsgCannotCreate, kPath));
    ExpectOldFileIntact();

    files.readOnly.clear();
    SaveDataFile(files, kPath, list);
    EXPECT_EQ(files.files.at(kPath), Saved());
    EXPECT_EQ(files.files.size(), 1u);

    files.files.clear(); // no data file yet, and the folder takes none
    EXPECT_EQ(ErrorOf([&] { SaveDataFile(files, kPath, list); }), Substitute(kMsgCannotCreate, kPath));
    EXPECT_TRUE(files.files.empty());
}

TEST_F(AtomicSaveTest, InPlaceADiskWithoutRoomForTheNewLengthFailsBeforeAByteIsWrittenOver) {
    files.noNewFiles.insert(kFolder);
    files.room[kFolder] = 9000; // less than the file grows by
    EXPECT_EQ(ErrorOf([&] { SaveDataFile(files, kPath, list); }), kMsgWriteError);
    ExpectOldFileIntact();

    // A shorter content needs no room: it is written and the file ends where it ends.
    files.room[kFolder] = 0;
    list.At(0).Title = "x";
    SaveDataFile(files, kPath, list);
    EXPECT_EQ(files.files.at(kPath), Saved());
}

TEST_F(AtomicSaveTest, ANewFileNeverReplacesAnExistingOne) {
    EXPECT_FALSE(SaveNewDataFile(files, kPath, list));
    ExpectOldFileIntact();
    const std::string other = kPath + ".new";
    EXPECT_TRUE(SaveNewDataFile(files, other, list));
    EXPECT_EQ(files.files.at(other), Saved());
    files.room[kFolder] = 100;
    EXPECT_EQ(ErrorOf([&] { SaveNewDataFile(files, kPath + ".2", list); }), kMsgWriteError);
    EXPECT_EQ(files.files.count(kPath + ".2"), 0u); // the partly written file is removed
}

TEST_F(AtomicSaveTest, AShortWriteOrAFailedCommitLeavesTheOldFile) {
    for (std::size_t room : {0u, 100u, 4096u, 5000u}) {
        files.room[kFolder] = room;
        EXPECT_EQ(ErrorOf([&] { SaveDataFile(files, kPath, list); }), kMsgWriteError) << room;
        ExpectOldFileIntact();
        EXPECT_EQ(files.room[kFolder], room); // what the new file took is free again
    }
    files.room.clear();
    files.failCommit = true;
    EXPECT_EQ(ErrorOf([&] { SaveDataFile(files, kPath, list); }), kMsgWriteError);
    ExpectOldFileIntact();
}

TEST_F(AtomicSaveTest, ADataFileThatCannotBeReplacedIsWrittenInPlaceUnlessItIsReadOnly) {
    files.replacement = Replacement::Refused;
    SaveDataFile(files, kPath, list);
    EXPECT_EQ(files.files.at(kPath), Saved());
    EXPECT_EQ(files.files.size(), 1u);

    files.files[kPath] = "old bytes";
    files.readOnly.insert(kPath);
    EXPECT_EQ(ErrorOf([&] { SaveDataFile(files, kPath, list); }), Substitute(kMsgCannotCreate, kPath));
    ExpectOldFileIntact();
}

TEST_F(AtomicSaveTest, WhenTheOldFileIsLostOnTheWayTheNewOneIsKeptAndNamed) {
    files.replacement = Replacement::TargetLost;
    const std::string message = ErrorOf([&] { SaveDataFile(files, kPath, list); });
    ASSERT_EQ(files.files.size(), 1u);
    const auto& [temp, content] = *files.files.begin();
    EXPECT_EQ(content, Saved());
    EXPECT_NE(temp, kPath);
    EXPECT_NE(message.find(temp), std::string::npos) << message;
}

} // namespace
} // namespace tobrix
