#include "store/DataFile.h"

#include "common/Cp932.h"
#include "common/Error.h"
#include "common/Secret.h"
#include "platform/Files.h"
#include "store/Encrypt.h"
#include "store/Protected.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tobrix {

namespace {

// Bytes of an entry's line: five fields, four separators, CR LF.
std::size_t LineLength(const TVirtualItem& item) {
    return item.Title.size() + item.UserID.size() + item.Password.size() + item.Memo.size() + item.URL.size() + 6;
}

// The clear text of a list, produced piece by piece as the scrambler asks for it, so that a
// save needs no second copy of the whole text.
class ItemListSource final : public ByteSource {
public:
    explicit ItemListSource(const ItemDataList& list) : list_(list) {}

    std::size_t Read(char* buffer, std::size_t size) override {
        std::size_t n = 0;
        const int count = list_.Count();
        while (n < size && index_ < count) {
            const TVirtualItem& item = list_.At(index_);
            // Most lines fit whole into what is left of the buffer: copy them in one go
            // rather than piece by piece.
            if (part_ == 0 && offset_ == 0) {
                const std::size_t length = LineLength(item);
                if (length <= size - n) {
                    char* out = buffer + n;
                    out = Put(out, item.Title);
                    *out++ = kFieldSeparator;
                    out = Put(out, item.UserID);
                    *out++ = kFieldSeparator;
                    out = Put(out, item.Password);
                    *out++ = kFieldSeparator;
                    out = Put(out, item.Memo);
                    *out++ = kFieldSeparator;
                    out = Put(out, item.URL);
                    *out++ = '\r';
                    *out++ = '\n';
                    n += length;
                    ++index_;
                    continue;
                }
            }
            // The line that straddles the end of the buffer goes piece by piece.
            while (n < size) {
                const std::string_view piece = Piece(item, part_);
                const std::size_t take = std::min(piece.size() - offset_, size - n);
                if (take != 0)
                    std::memcpy(buffer + n, piece.data() + offset_, take);
                n += take;
                offset_ += take;
                if (offset_ == piece.size()) {
                    offset_ = 0;
                    if (++part_ == kParts) {
                        part_ = 0;
                        ++index_;
                        break;
                    }
                }
            }
        }
        return n;
    }

private:
    static constexpr int kParts = 10; // five fields, four separators, the line end

    static std::string_view Piece(const TVirtualItem& item, int part) {
        static constexpr char kSeparator[] = {kFieldSeparator};
        switch (part) {
        case 0: return item.Title;
        case 2: return item.UserID;
        case 4: return item.Password;
        case 6: return item.Memo;
        case 8: return item.URL;
        case 9: return "\r\n";
        default: return {kSeparator, 1};
        }
    }

    static char* Put(char* out, const std::string& field) {
        if (!field.empty())
            std::memcpy(out, field.data(), field.size());
        return out + field.size();
    }

    const ItemDataList& list_;
    int index_ = 0;
    int part_ = 0;
    std::size_t offset_ = 0;
};

// The scrambled list into the file, committed.
void WriteScrambled(WritableFile& file, const ItemDataList& list) {
    ItemListSource source(list);
    XorStream(kDataFileKey, file, source);
    if (!file.Commit())
        throw AppError(std::string(kMsgWriteError));
}

std::uint64_t DataTextLength(const ItemDataList& list) {
    std::uint64_t length = 0;
    for (int i = 0; i < list.Count(); ++i)
        length += LineLength(list.At(i));
    return length;
}

// The protected file of the list. Its clear text exists only inside this call and is wiped
// before it returns.
std::string SealedText(const ItemDataList& list, const DataFormat& format) {
    std::string text = BuildDataText(list);
    const WipeOnExit wipe(text);
    return format.key->Seal(*format.crypto, text);
}

// Puts a new content of `length` bytes in the place of the data file: beside it and then in
// its place in one step where that can be done, else over it, as a plain save would.
void ReplaceDataFile(Files& files, const FilePath& path, std::uint64_t length,
                     const std::function<void(WritableFile&)>& write) {
    WriteBesideOrInPlace(files, path, length, write, files.DisplayName(path));
}

struct FieldTexts {
    std::string_view title, userId, password, memo, url;
};

FieldTexts SplitFields(std::string_view line) {
    std::string_view leading[4];
    std::string_view rest = line;
    for (std::string_view& field : leading) {
        const std::size_t at = FindChar(rest, kFieldSeparator);
        if (at != std::string_view::npos) {
            field = rest.substr(0, at);
            rest.remove_prefix(at + 1);
        }
    }
    return {leading[0], leading[1], leading[2], leading[3], rest};
}

} // namespace

void ParseDataText(std::string_view text, bool hidePass, ItemDataList& list) {
    LineReader lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        const FieldTexts fields = SplitFields(line);
        // Built in place, each string straight from its text, rather than assigned to
        // afterwards: loading is mostly making entries.
        list.Append(std::unique_ptr<TVirtualItem>(new TVirtualItem{
            .ImageIndex = -1,
            .StateBits = 0,
            .Title = std::string(fields.title),
            .UserID = std::string(fields.userId),
            .Password = std::string(fields.password),
            .MaskedPassword = MaskFor(fields.password, hidePass, false),
            .Memo = std::string(fields.memo),
            .URL = std::string(fields.url),
        }));
    }
}

std::string BuildDataText(const ItemDataList& list) {
    std::string text;
    // Its whole length at once: a string that grew would leave copies of its beginning in
    // the memory it gave back, and the text is secret.
    text.reserve(static_cast<std::size_t>(DataTextLength(list)));
    StringSink sink(text);
    ItemListSource source(list);
    char buffer[4096];
    while (const std::size_t n = source.Read(buffer, sizeof buffer))
        WriteAll(sink, buffer, n);
    Wipe(buffer, sizeof buffer);
    return text;
}

void LoadDataFile(Files& files, const FilePath& path, bool hidePass, ItemDataList& list) {
    std::string bytes = ReadDataFile(files, path);
    // A protected file needs its password: unscrambled, it would be garbage.
    if (IsProtectedFile(bytes))
        throw AppError(Substitute(kMsgCannotOpen, files.DisplayName(path)));
    ParseScrambled(bytes, hidePass, list);
}

std::string ReadDataFile(Files& files, const FilePath& path) {
    std::unique_ptr<ByteSource> file = files.OpenRead(path);
    if (!file)
        throw AppError(Substitute(kMsgCannotOpen, files.DisplayName(path)));
    return ReadAll(*file);
}

void ParseScrambled(std::string& bytes, bool hidePass, ItemDataList& list) {
    XorBytes(kDataFileKey, bytes.data(), bytes.size());
    ParseDataText(bytes, hidePass, list);
}

bool LooksLikeDataText(std::string_view text) {
    if (text.empty())
        return true;
    if (text.size() < 2 || text.substr(text.size() - 2) != "\r\n")
        return false;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(b)) {
            const auto trail = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
            if (trail < 0x40 || trail == 0x7F || trail > 0xFC)
                return false;
            i += 2;
            continue;
        }
        if (b == '\r' && text[i + 1] != '\n') // the last byte is LF, so i + 1 is inside
            return false;
        if (b < 0x20 && b != '\r' && b != '\n' && b != '\t' && b != static_cast<unsigned char>(kFieldSeparator))
            return false;
        if (b == 0x7F || b == 0x80 || b == 0xA0 || b >= 0xFD)
            return false;
        ++i;
    }
    return true;
}

std::uint64_t HashBytes(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

namespace {

std::uint64_t HashOfEntry(const TVirtualItem& item) {
    std::uint64_t hash = 0;
    for (const std::string* field : {&item.Title, &item.UserID, &item.Password, &item.Memo, &item.URL})
        hash = hash * 31 + HashBytes(*field);
    return hash;
}

bool SameEntry(const TVirtualItem& a, const TVirtualItem& b) {
    return a.Title == b.Title && a.UserID == b.UserID && a.Password == b.Password && a.Memo == b.Memo &&
           a.URL == b.URL;
}

} // namespace

int AppendMissing(ItemDataList& list, const ItemDataList& other) {
    // By hash first, so that a merge of two long lists stays linear; the fields decide.
    std::unordered_multimap<std::uint64_t, int> held;
    held.reserve(static_cast<std::size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i)
        held.emplace(HashOfEntry(list.At(i)), i);
    std::vector<bool> matched(static_cast<std::size_t>(list.Count()), false);
    int appended = 0;
    for (int j = 0; j < other.Count(); ++j) {
        const TVirtualItem& entry = other.At(j);
        bool found = false;
        const auto [first, last] = held.equal_range(HashOfEntry(entry));
        for (auto it = first; it != last && !found; ++it) {
            if (!matched[static_cast<std::size_t>(it->second)] && SameEntry(list.At(it->second), entry)) {
                matched[static_cast<std::size_t>(it->second)] = true;
                found = true;
            }
        }
        if (found)
            continue;
        auto copy = std::make_unique<TVirtualItem>(entry);
        copy->ImageIndex = -1;
        list.Append(std::move(copy));
        ++appended;
    }
    return appended;
}

bool PeekProtected(Files& files, const FilePath& path) {
    try {
        std::unique_ptr<ByteSource> file = files.OpenReadShared(path);
        if (!file)
            return false;
        char head[kProtectedMagic.size()];
        const std::size_t n = file->Read(head, sizeof head);
        return IsProtectedFile({head, n});
    } catch (const AppError&) {
        return false;
    }
}

void SaveDataFile(Files& files, const FilePath& path, const ItemDataList& list, const DataFormat& format) {
    if (format.key == nullptr) {
        ReplaceDataFile(files, path, DataTextLength(list), [&list](WritableFile& file) { WriteScrambled(file, list); });
        return;
    }
    const std::string sealed = SealedText(list, format);
    ReplaceDataFile(files, path, sealed.size(), [&sealed](WritableFile& file) { WriteAndCommit(file, sealed); });
}

bool SaveNewDataFile(Files& files, const FilePath& path, const ItemDataList& list, const DataFormat& format) {
    // Sealed before the file is made, so that a failure of the cryptography leaves no file.
    const std::string sealed = format.key != nullptr ? SealedText(list, format) : std::string();
    NewFile created = files.CreateNew(path);
    if (!created.file) {
        if (created.nameTaken)
            return false;
        throw AppError(Substitute(kMsgCannotCreate, files.DisplayName(path)));
    }
    // A file not committed is removed.
    if (format.key != nullptr)
        WriteAndCommit(*created.file, sealed);
    else
        WriteScrambled(*created.file, list);
    return true;
}

} // namespace tobrix
