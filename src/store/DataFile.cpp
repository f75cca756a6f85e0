#include "store/DataFile.h"

#include "common/Cp932.h"
#include "common/Error.h"
#include "platform/Files.h"
#include "store/Encrypt.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

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
    StringSink sink(text);
    ItemListSource source(list);
    char buffer[4096];
    while (const std::size_t n = source.Read(buffer, sizeof buffer))
        WriteAll(sink, buffer, n);
    return text;
}

void LoadDataFile(Files& files, const FilePath& path, bool hidePass, ItemDataList& list) {
    std::string text;
    {
        std::unique_ptr<ByteSource> file = files.OpenRead(path);
        if (!file)
            throw AppError(Substitute(kMsgCannotOpen, files.DisplayName(path)));
        StringSink sink(text);
        XorStream(kDataFileKey, sink, *file);
    }
    ParseDataText(text, hidePass, list);
}

void SaveDataFile(Files& files, const FilePath& path, const ItemDataList& list, const DataFormat& /*format*/) {
    if (WriteBeside(files, path, [&list](WritableFile& file) { WriteScrambled(file, list); }))
        return;
    // Where no new file can be made beside it, or none can take its place (a data file that
    // may be written but not replaced), the data file is written where it is, as a plain
    // save would. A read-only one is refused here too.
    const InPlaceFile inPlace = files.Overwrite(path, DataTextLength(list));
    if (!inPlace.file)
        throw AppError(inPlace.noRoom ? std::string(kMsgWriteError)
                                      : Substitute(kMsgCannotCreate, files.DisplayName(path)));
    WriteScrambled(*inPlace.file, list);
}

bool SaveNewDataFile(Files& files, const FilePath& path, const ItemDataList& list, const DataFormat& /*format*/) {
    NewFile created = files.CreateNew(path);
    if (!created.file) {
        if (created.nameTaken)
            return false;
        throw AppError(Substitute(kMsgCannotCreate, files.DisplayName(path)));
    }
    WriteScrambled(*created.file, list); // a file not committed is removed
    return true;
}

} // namespace tobrix
