#pragma once
// An in-memory file system with failures that can be injected at each step of a save. Paths
// are keyed by their text; a path's folder is the text before its last '\' or '/'. Like the
// real one, a file being written is there from the start, and a file this program made is
// removed when it is dropped without a commit.

#include "platform/Files.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace tobrix::test {

class FakeFiles final : public Files {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> locked;       // exist but cannot be opened
    std::set<std::string> heldByOthers; // locked, but open to a look that denies nothing
    std::set<std::string> failingReads; // open, then fail while reading
    std::set<std::string> readOnly;     // can be read but neither replaced nor written
    std::set<std::string> directories;
    std::set<std::string> noNewFiles;   // folders that take no new file
    std::map<std::string, std::size_t> room; // bytes a folder's disk still takes; no limit when absent
    std::map<std::string, std::string> links; // a link and the path it leads to
    std::map<std::string, std::int64_t> times; // last write; a file without one counts as written at 0
    std::string localDataFolder = "C:/Users/me/AppData/Local/Tobrix";
    bool failCommit = false;
    Replacement replacement = Replacement::Done; // what Replace does with an existing target
    int createTempCalls = 0;
    int replaceCalls = 0;

    static std::string FolderOf(const std::string& path);
    // Bytes the disk of the file's folder still takes (SIZE_MAX: no limit).
    std::size_t RoomFor(const std::string& path) const;
    // Takes or gives back room on the disk of the file's folder.
    void UseRoom(const std::string& path, std::size_t used, std::size_t freed);
    void Touch(const std::string& path) { times[path] = ++clock_; }

    bool Exists(const FilePath& path) override { return IsFile(path) || IsDirectory(path); }
    bool IsDirectory(const FilePath& path) override { return directories.count(path.string()) != 0; }
    bool IsFile(const FilePath& path) override { return files.count(path.string()) != 0; }
    std::unique_ptr<ByteSource> OpenRead(const FilePath& path) override;
    std::unique_ptr<ByteSource> OpenReadShared(const FilePath& path) override;
    FilePath FinalPath(const FilePath& path) override;
    std::unique_ptr<WritableFile> CreateTemp(const FilePath& target, FilePath& tempPath) override;
    Replacement Replace(const FilePath& source, const FilePath& target) override;
    InPlaceFile Overwrite(const FilePath& path, std::uint64_t length) override;
    NewFile CreateNew(const FilePath& path) override;
    bool CreateFolder(const FilePath& path) override;
    std::optional<std::int64_t> LastWriteTime(const FilePath& path) override;
    bool SetLastWriteTime(const FilePath& path, std::int64_t time) override;
    std::optional<std::uint64_t> Size(const FilePath& path) override;
    FilePath LocalDataFolder() override { return localDataFolder; }
    bool Remove(const FilePath& path) override;
    std::string DisplayName(const FilePath& path) const override { return path.string(); }
    FilePath PathOf(std::string_view cp932) const override { return FilePath(std::string(cp932)); }

private:
    std::int64_t clock_ = 1000;
};

} // namespace tobrix::test
