#pragma once
// An in-memory file system with failures that can be injected at each step of a save.

#include "platform/Files.h"

#include <map>
#include <memory>
#include <set>
#include <string>

namespace tobrix::test {

class FakeFiles final : public Files {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> locked;          // exist but cannot be opened
    std::set<std::string> failingReads;    // open, then fail while reading
    bool failCreateTemp = false;
    std::size_t writeLimit = static_cast<std::size_t>(-1); // bytes a written file accepts
    bool failFlush = false;
    bool failClose = false;
    bool failReplace = false;
    int createTempCalls = 0;
    int replaceCalls = 0;

    bool Exists(const std::string& path) override { return files.count(path) != 0; }

    std::unique_ptr<ByteSource> OpenRead(const std::string& path) override;
    std::unique_ptr<WritableFile> CreateTemp(const std::string& beside, std::string& tempPath) override;
    bool Replace(const std::string& source, const std::string& target) override;
    bool Remove(const std::string& path) override { return files.erase(path) != 0; }
};

} // namespace tobrix::test
