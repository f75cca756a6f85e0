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
    std::unique_ptr<WritableFile> CreateTemp(const FilePath& target, FilePath& tempPath) override;
    bool Replace(const FilePath& source, const FilePath& target) override;
    std::unique_ptr<WritableFile> Overwrite(const FilePath& path) override;
    NewFile CreateNew(const FilePath& path) override;
    bool Remove(const FilePath& path) override;
    std::string DisplayName(const FilePath& path) const override;
    FilePath PathOf(std::string_view cp932) const override;
};

// Full path of the running executable.
FilePath ExecutablePath();

} // namespace tobrix::win32
