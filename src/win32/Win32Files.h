#pragma once

#include "platform/Files.h"

namespace tobrix::win32 {

class Win32Files final : public Files {
public:
    bool Exists(const std::string& path) override;
    std::unique_ptr<ByteSource> OpenRead(const std::string& path) override;
    std::unique_ptr<WritableFile> CreateTemp(const std::string& beside, std::string& tempPath) override;
    bool Replace(const std::string& source, const std::string& target) override;
    bool Remove(const std::string& path) override;
};

} // namespace tobrix::win32
