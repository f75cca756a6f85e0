// Input: the bytes of a data file as stored (scrambled). Loads it, saves it, loads and saves
// again, and aborts when the program's reading or writing disagrees with the reference
// rules in Reference.h or when a second round changes anything. An input that starts as a
// protected file does (first byte 0x7B) goes through the protected file's header and opening
// instead, on the stand-in cryptography, and its bytes taken as a clear text are saved
// protected and read back.

#include "Reference.h"

#include "common/Error.h"
#include "store/DataFile.h"
#include "store/ItemDataList.h"
#include "store/Protected.h"
#include "support/FakeCrypto.h"
#include "support/FakeFiles.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using namespace tobrix;
using namespace tobrix::fuzz;

const std::string kPath = "C:\\Tobrix\\Tobrix.DAT";

std::string_view Field(const TVirtualItem& item, int k) {
    switch (k) {
    case 0: return item.Title;
    case 1: return item.UserID;
    case 2: return item.Password;
    case 3: return item.Memo;
    default: return item.URL;
    }
}

bool SameFields(const TVirtualItem& a, const TVirtualItem& b) {
    for (int k = 0; k < 5; ++k) {
        if (Field(a, k) != Field(b, k))
            return false;
    }
    return true;
}

void CheckAgainstReference(std::string_view stored, bool hidePass, const ItemDataList& list) {
    const std::string clear = RefScramble(stored);
    const std::vector<RefLine> lines = RefLines(clear);
    Check(list.Count() == static_cast<int>(lines.size()), "one entry per line");
    for (int i = 0; i < list.Count(); ++i) {
        const TVirtualItem& item = list.At(i);
        const RefFields expected = RefSplit(lines[static_cast<std::size_t>(i)].text);
        for (int k = 0; k < 5; ++k) {
            const std::string_view field = Field(item, k);
            Check(field == expected.field[k], "fields split as the character walk splits them");
            Check(field.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos,
                  "no CR, LF or NUL in a loaded field");
        }
        const std::string mask = hidePass ? std::string(item.Password.size(), '*') : item.Password;
        Check(item.MaskedPassword == mask, "masked password of an unselected row");
        Check(item.ImageIndex == -1 && item.StateBits == 0, "a loaded entry has no image and no state");
    }
}

std::string JoinedText(const ItemDataList& list) {
    std::string text;
    for (int i = 0; i < list.Count(); ++i) {
        const TVirtualItem& item = list.At(i);
        for (int k = 0; k < 5; ++k) {
            if (k != 0)
                text += '\x08';
            text += Field(item, k);
        }
        text += "\r\n";
    }
    return text;
}

ByteSpan Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

constexpr std::string_view kPassword = "fuzz";

void CheckProtected(std::string_view stored, bool hidePass) {
    test::FakeCrypto crypto;
    test::FakeFiles files;
    files.files[kPath] = std::string(stored);
    ItemDataList refused;
    bool threw = false;
    try {
        LoadDataFile(files, kPath, hidePass, refused);
    } catch (const AppError&) {
        threw = true;
    }
    Check(threw && refused.Count() == 0, "the scrambled reader refuses a protected file");

    // Any header either parses or is refused, and any file either opens or gives nothing out.
    ProtectedHeader header;
    const HeaderStatus status = ParseProtectedHeader(stored, header);
    if (status == HeaderStatus::Ok) {
        Check(header.iterations >= kMinIterations && header.iterations <= kMaxIterations, "a count in range");
        Check(header.size == kProtectedHeaderSize || header.size == 76, "a header of either version");
        Check(stored.size() >= header.size + kTagSize, "room for the header and the tag");
        const MasterKey key = MasterKey::Derive(crypto, Bytes(kPassword), header.salt, header.iterations);
        std::string text = "left over";
        const MasterKey::OpenStatus opened = key.Open(crypto, stored, text);
        Check(opened == MasterKey::OpenStatus::Ok || text.empty(), "nothing given out of a file that did not open");
        if (opened == MasterKey::OpenStatus::Ok)
            Check(text.size() == stored.size() - header.size - kTagSize, "the text between header and tag");
    }

    // The input's bytes as a clear text, saved protected: the file holds the header and the
    // sealed text, opens to the same text with the key, and to nothing once a byte changes.
    ItemDataList list;
    ParseDataText(stored, hidePass, list);
    const MasterKey key = MasterKey::Derive(crypto, Bytes(kPassword), {}, kMinIterations);
    SaveDataFile(files, kPath, list, DataFormat{&crypto, &key});
    Check(files.files.size() == 1, "no temporary file left after a protected save");
    const std::string saved = ReadDataFile(files, kPath);
    Check(PeekProtected(files, kPath), "a protected save is a protected file");
    Check(ParseProtectedHeader(saved, header) == HeaderStatus::Ok, "a protected save parses");
    const std::string clear = BuildDataText(list);
    Check(saved.size() == kProtectedHeaderSize + clear.size() + kTagSize, "a protected save's length");
    std::string text;
    Check(key.Open(crypto, saved, text) == MasterKey::OpenStatus::Ok && text == clear, "a protected save opens");
    std::string changed = saved;
    changed[stored.size() % changed.size()] ^= static_cast<char>(1 + stored.size() % 255);
    Check(key.Open(crypto, changed, text) != MasterKey::OpenStatus::Ok && text.empty(), "a changed byte is caught");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view stored(reinterpret_cast<const char*>(data), size);
    const bool hidePass = size % 2 == 1; // both settings get their share of inputs
    if (IsProtectedFile(stored)) {
        CheckProtected(stored, hidePass);
        return 0;
    }

    test::FakeFiles files;
    files.files[kPath] = std::string(stored);
    ItemDataList first;
    LoadDataFile(files, kPath, hidePass, first);
    CheckAgainstReference(stored, hidePass, first);

    // The save writes every entry in the program's own form, through the temporary file.
    SaveDataFile(files, kPath, first);
    const std::string saved = files.files.at(kPath);
    Check(files.files.size() == 1, "no temporary file left after a save");
    const std::string savedClear = JoinedText(first);
    Check(RefScramble(saved) == savedClear, "saved bytes are the scrambled entries");
    Check(BuildDataText(first) == savedClear, "BuildDataText gives the saved clear text");

    // One round makes a fixed point: the saved file reads back to the same fields and
    // writes back to the same bytes.
    ItemDataList second;
    LoadDataFile(files, kPath, hidePass, second);
    CheckAgainstReference(saved, hidePass, second);
    Check(second.Count() == first.Count(), "entry count survives a round");
    for (int i = 0; i < first.Count(); ++i)
        Check(SameFields(first.At(i), second.At(i)), "fields survive a round");
    SaveDataFile(files, kPath, second);
    Check(files.files.at(kPath) == saved, "second save gives the same bytes");

    // A save the disk cuts short leaves the previous file as it was.
    if (!saved.empty()) {
        files.room[test::FakeFiles::FolderOf(kPath)] = saved.size() - 1;
        bool threw = false;
        try {
            SaveDataFile(files, kPath, second);
        } catch (const AppError&) {
            threw = true;
        }
        Check(threw, "a short write is reported");
        Check(files.files.size() == 1 && files.files.at(kPath) == saved, "a failed save keeps the old file");
    }
    return 0;
}
