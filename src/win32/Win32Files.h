#pragma once

#include "platform/Files.h"

namespace tobrix::win32 {

class Win32Files final : public Files {
public:
    bool Exists(const FilePath& path) override;
    bool IsDirectory(const FilePath& path) override;
    bool IsFile(const FilePath& path) override;
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
    FilePath LocalDataFolder() override;
    bool Remove(const FilePath& path) override;
    std::string DisplayName(const FilePath& path) const override;
    FilePath PathOf(std::string_view cp932) const override;
};

// Full path of the running executable.
FilePath ExecutablePath();

} // namespace tobrix::win32
