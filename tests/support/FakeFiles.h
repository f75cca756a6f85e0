#pragma once
// An in-memory file system with failures that can be injected at each step of a save.
// Paths are keyed by their text.

#include "platform/Files.h"

#include <map>
#include <memory>
#include <set>
#include <string>

namespace tobrix::test {

class FakeFiles final : public Files {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> locked;       // exist but cannot be opened
    std::set<std::string> failingReads; // open, then fail while reading
    std::set<std::string> readOnly;     // can be read but neither replaced nor written
    std::set<std::string> directories;
    bool failCreateTemp = false;        // the folder takes no new files
    std::size_t writeLimit = static_cast<std::size_t>(-1); // bytes a written file accepts
    bool failFlush = false;
    bool failClose = false;
    bool failReplace = false;
    int createTempCalls = 0;
    int replaceCalls = 0;

    bool Exists(const FilePath& path) override { return IsFile(path) || IsDirectory(path); }
    bool IsDirectory(const FilePath& path) override { return directories.count(path.string()) != 0; }
    bool IsFile(const FilePath& path) override { return files.count(path.string()) != 0; }
    std::unique_ptr<ByteSource> OpenRead(const FilePath& path) override;
    std::unique_ptr<ByteSource> OpenReadShared(const FilePath& path) override { return OpenRead(path); }
    std::unique_ptr<WritableFile> CreateTemp(const FilePath& target, FilePath& tempPath) override;
    bool Replace(const FilePath& source, const FilePath& target) override;
    std::unique_ptr<WritableFile> Overwrite(const FilePath& path) override;
    NewFile CreateNew(const FilePath& path) override;
    bool Remove(const FilePath& path) override { return files.erase(path.string()) != 0; }
    std::string DisplayName(const FilePath& path) const override { return path.string(); }
    FilePath PathOf(std::string_view cp932) const override { return FilePath(std::string(cp932)); }
};

} // namespace tobrix::test
