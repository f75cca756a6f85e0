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

// Writes from the start of the file: over its old bytes first, then beyond them as far as the
// disk has room.
class FakeWritable final : public WritableFile {
public:
    FakeWritable(FakeFiles& fs, std::string path, bool made) : fs_(fs), path_(std::move(path)), made_(made) {}
    FakeWritable(const FakeWritable&) = delete;
    FakeWritable& operator=(const FakeWritable&) = delete;
    ~FakeWritable() override {
        if (open_ && made_)
            fs_.Remove(path_);
    }
    std::size_t Write(const char* data, std::size_t size) override {
        std::string& content = fs_.files.at(path_);
        const std::size_t over = std::min(size, content.size() - pos_);
        const std::size_t beyond = std::min(size - over, fs_.RoomFor(path_));
        fs_.UseRoom(path_, beyond, 0);
        content.resize(std::max(content.size(), pos_ + over + beyond));
        std::memcpy(content.data() + pos_, data, over + beyond);
        pos_ += over + beyond;
        fs_.Touch(path_);
        return over + beyond;
    }
    bool Commit() override {
        if (!open_)
            return false;
        open_ = false;
        if (fs_.failCommit) {
            if (made_)
                fs_.Remove(path_);
            return false;
        }
        std::string& content = fs_.files.at(path_);
        fs_.UseRoom(path_, 0, content.size() - pos_);
        content.resize(pos_);
        return true;
    }

private:
    FakeFiles& fs_;
    std::string path_;
    bool made_;
    bool open_ = true;
    std::size_t pos_ = 0;
};

} // namespace

std::string FakeFiles::FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::size_t FakeFiles::RoomFor(const std::string& path) const {
    const auto it = room.find(FolderOf(path));
    return it == room.end() ? SIZE_MAX : it->second;
}

void FakeFiles::UseRoom(const std::string& path, std::size_t used, std::size_t freed) {
    const auto it = room.find(FolderOf(path));
    if (it != room.end())
        it->second = it->second - used + freed;
}

std::unique_ptr<ByteSource> FakeFiles::OpenRead(const FilePath& path) {
    const auto it = files.find(path.string());
    if (it == files.end() || locked.count(path.string()) != 0)
        return nullptr;
    return std::make_unique<FakeSource>(it->second, failingReads.count(path.string()) != 0, path.string());
}

std::unique_ptr<ByteSource> FakeFiles::OpenReadShared(const FilePath& path) {
    const auto it = files.find(path.string());
    if (it == files.end() || heldByOthers.count(path.string()) == 0)
        return OpenRead(path);
    return std::make_unique<FakeSource>(it->second, false, path.string());
}

FilePath FakeFiles::FinalPath(const FilePath& path) {
    const auto it = links.find(path.string());
    return it == links.end() ? path : FilePath(it->second);
}

std::unique_ptr<WritableFile> FakeFiles::CreateTemp(const FilePath& target, FilePath& tempPath) {
    ++createTempCalls;
    if (noNewFiles.count(FolderOf(target.string())) != 0 || readOnly.count(target.string()) != 0)
        return nullptr;
    for (int n = 1;; ++n) {
        const std::string name = target.string() + "." + std::to_string(n) + ".tmp";
        if (files.count(name) == 0) {
            files[name];
            Touch(name);
            tempPath = name;
            return std::make_unique<FakeWritable>(*this, name, true);
        }
    }
}

Replacement FakeFiles::Replace(const FilePath& source, const FilePath& target) {
    ++replaceCalls;
    const std::string from = source.string(), to = target.string();
    if (files.count(from) == 0 || readOnly.count(to) != 0)
        return Replacement::Refused;
    if (files.count(to) != 0) {
        if (replacement == Replacement::Refused)
            return Replacement::Refused;
        Remove(to);
        if (replacement == Replacement::TargetLost)
            return Replacement::TargetLost;
    }
    files[to] = std::move(files[from]);
    times[to] = times[from];
    files.erase(from);
    times.erase(from);
    return Replacement::Done;
}

InPlaceFile FakeFiles::Overwrite(const FilePath& path, std::uint64_t length) {
    const auto it = files.find(path.string());
    if (it == files.end() || locked.count(path.string()) != 0 || readOnly.count(path.string()) != 0)
        return {};
    if (length > it->second.size()) {
        const std::size_t more = static_cast<std::size_t>(length) - it->second.size();
        if (more > RoomFor(path.string()))
            return {nullptr, true};
        UseRoom(path.string(), more, 0);
        it->second.resize(static_cast<std::size_t>(length), '\0');
    }
    return {std::make_unique<FakeWritable>(*this, path.string(), false)};
}

NewFile FakeFiles::CreateNew(const FilePath& path) {
    if (files.count(path.string()) != 0)
        return {nullptr, true};
    if (noNewFiles.count(FolderOf(path.string())) != 0)
        return {nullptr, false};
    files[path.string()];
    Touch(path.string());
    return {std::make_unique<FakeWritable>(*this, path.string(), true), false};
}

bool FakeFiles::CreateFolder(const FilePath& path) {
    if (noNewFiles.count(FolderOf(path.string())) != 0)
        return directories.count(path.string()) != 0;
    directories.insert(path.string());
    return true;
}

bool FakeFiles::SetLastWriteTime(const FilePath& path, std::int64_t time) {
    if (files.count(path.string()) == 0)
        return false;
    times[path.string()] = time;
    return true;
}

std::optional<std::uint64_t> FakeFiles::Size(const FilePath& path) {
    const auto it = files.find(path.string());
    if (it == files.end())
        return std::nullopt;
    return it->second.size();
}

std::optional<std::int64_t> FakeFiles::LastWriteTime(const FilePath& path) {
    if (files.count(path.string()) == 0)
        return std::nullopt;
    const auto it = times.find(path.string());
    return it == times.end() ? 0 : it->second;
}

bool FakeFiles::Remove(const FilePath& path) {
    const auto it = files.find(path.string());
    if (it == files.end())
        return false;
    UseRoom(path.string(), 0, it->second.size());
    files.erase(it);
    times.erase(path.string());
    return true;
}

} // namespace tobrix::test
