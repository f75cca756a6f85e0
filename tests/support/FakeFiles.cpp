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

std::unique_ptr<ByteSource> FakeFiles::OpenRead(const std::string& path) {
    const auto it = files.find(path);
    if (it == files.end() || locked.count(path) != 0)
        return nullptr;
    return std::make_unique<FakeSource>(it->second, failingReads.count(path) != 0, path);
}

std::unique_ptr<WritableFile> FakeFiles::CreateTemp(const std::string& beside, std::string& tempPath) {
    ++createTempCalls;
    if (failCreateTemp)
        return nullptr;
    tempPath = beside + ".tmp";
    return std::make_unique<FakeWritable>(*this, tempPath);
}

bool FakeFiles::Replace(const std::string& source, const std::string& target) {
    ++replaceCalls;
    if (failReplace || files.count(source) == 0)
        return false;
    files[target] = files[source];
    files.erase(source);
    return true;
}

} // namespace tobrix::test
