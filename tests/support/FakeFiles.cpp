#include "support/FakeFiles.h"

#include "common/Error.h"

#include <algorithm>
#include <cstring>

namespace tobrix::test {

namespace {

class FakeSource final : public ByteSource {
public:
    FakeSource(std::string data, bool failing, std::string path)
        : data_(std::move(data)), failing_(failing), path_(std::move(path)) {}
    std::size_t Read(char* buffer, std::size_t size) override {
        if (failing_)
            throw AppError(Substitute(kMsgCannotOpen, path_));
        const std::size_t n = std::min(size, data_.size() - pos_);
        if (n != 0)
            std::memcpy(buffer, data_.data() + pos_, n);
        pos_ += n;
        return n;
    }

private:
    std::string data_;
    bool failing_;
    std::string path_;
    std::size_t pos_ = 0;
};

class FakeWritable final : public WritableFile {
public:
    FakeWritable(FakeFiles& fs, std::string path) : fs_(fs), path_(std::move(path)) { fs_.files[path_].clear(); }
    std::size_t Write(const char* data, std::size_t size) override {
        std::string& content = fs_.files[path_];
        const std::size_t room = fs_.writeLimit > content.size() ? fs_.writeLimit - content.size() : 0;
        const std::size_t n = std::min(size, room);
        content.append(data, n);
        return n;
    }
    bool Flush() override { return !fs_.failFlush; }
    bool Close() override { return !fs_.failClose; }

private:
    FakeFiles& fs_;
    std::string path_;
};

} // namespace

std::unique_ptr<ByteSource> FakeFiles::OpenRead(const FilePath& path) {
    const auto it = files.find(path.string());
    if (it == files.end() || locked.count(path.string()) != 0)
        return nullptr;
    return std::make_unique<FakeSource>(it->second, failingReads.count(path.string()) != 0, path.string());
}

std::unique_ptr<WritableFile> FakeFiles::CreateTemp(const FilePath& target, FilePath& tempPath) {
    ++createTempCalls;
    if (failCreateTemp || readOnly.count(target.string()) != 0)
        return nullptr;
    tempPath = target.string() + ".tmp";
    return std::make_unique<FakeWritable>(*this, tempPath.string());
}

bool FakeFiles::Replace(const FilePath& source, const FilePath& target) {
    ++replaceCalls;
    if (failReplace || files.count(source.string()) == 0 || readOnly.count(target.string()) != 0)
        return false;
    files[target.string()] = files[source.string()];
    files.erase(source.string());
    return true;
}

std::unique_ptr<WritableFile> FakeFiles::Overwrite(const FilePath& path) {
    if (files.count(path.string()) == 0 || locked.count(path.string()) != 0 || readOnly.count(path.string()) != 0)
        return nullptr;
    return std::make_unique<FakeWritable>(*this, path.string());
}

NewFile FakeFiles::CreateNew(const FilePath& path) {
    if (files.count(path.string()) != 0)
        return {nullptr, true};
    if (failCreateTemp) // the same folder refuses every new file
        return {nullptr, false};
    return {std::make_unique<FakeWritable>(*this, path.string()), false};
}

} // namespace tobrix::test
