#include "store/DataFile.h"

#include "common/Cp932.h"
#include "common/Error.h"
#include "platform/Files.h"
#include "store/Encrypt.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace tobrix {

namespace {

// The clear text of a list, produced piece by piece as the scrambler asks for it, so that a
// save needs no second copy of the whole text.
class ItemListSource final : public ByteSource {
public:
    explicit ItemListSource(const ItemDataList& list) : list_(list) {}

    std::size_t Read(char* buffer, std::size_t size) override {
        std::size_t n = 0;
        while (n < size && index_ < list_.Count()) {
            const std::string_view piece = Piece(list_.At(index_), part_);
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

    const ItemDataList& list_;
    int index_ = 0;
    int part_ = 0;
    std::size_t offset_ = 0;
};

// Removes a temporary file unless it was put in place.
class TempFileGuard {
public:
    TempFileGuard(Files& files, std::string path) : files_(files), path_(std::move(path)) {}
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    ~TempFileGuard() {
        if (!path_.empty())
            files_.Remove(path_);
    }
    void Release() { path_.clear(); }

private:
    Files& files_;
    std::string path_;
};

} // namespace

void ExtractFields(std::string_view line, TVirtualItem& item) {
    std::string* const leading[] = {&item.Title, &item.UserID, &item.Password, &item.Memo};
    std::string_view rest = line;
    for (std::string* field : leading) {
        const std::size_t at = FindChar(rest, kFieldSeparator);
        if (at == std::string_view::npos) {
            field->clear();
        } else {
            field->assign(rest.substr(0, at));
            rest.remove_prefix(at + 1);
        }
    }
    item.URL.assign(rest);
}

void ParseDataText(std::string_view text, bool hidePass, ItemDataList& list) {
    LineReader lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        auto item = std::make_unique<TVirtualItem>();
        ExtractFields(line, *item);
        item->MaskedPassword = MaskFor(item->Password, hidePass, false);
        item->ImageIndex = -1;
        list.Append(std::move(item));
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

void LoadDataFile(Files& files, const std::string& path, bool hidePass, ItemDataList& list) {
    std::string text;
    {
        std::unique_ptr<ByteSource> file = files.OpenRead(path);
        if (!file)
            throw AppError(Substitute(kMsgCannotOpen, path));
        StringSink sink(text);
        XorStream(kDataFileKey, sink, *file);
    }
    ParseDataText(text, hidePass, list);
}

void SaveDataFile(Files& files, const std::string& path, const ItemDataList& list) {
    std::string tempPath;
    std::unique_ptr<WritableFile> created = files.CreateTemp(path, tempPath);
    if (!created)
        throw AppError(Substitute(kMsgCannotCreate, path));
    TempFileGuard guard(files, tempPath);
    std::unique_ptr<WritableFile> file = std::move(created); // closed before the guard removes it
    ItemListSource source(list);
    XorStream(kDataFileKey, *file, source);
    if (!file->Flush() || !file->Close())
        throw AppError(std::string(kMsgWriteError));
    file.reset();
    if (!files.Replace(tempPath, path))
        throw AppError(Substitute(kMsgCannotCreate, path));
    guard.Release();
}

} // namespace tobrix
