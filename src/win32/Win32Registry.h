#pragma once

#include "platform/Registry.h"

#include <windows.h>

namespace tobrix::win32 {

// The program's key under HKEY_CURRENT_USER, created when first opened. Values are REG_SZ.
class Win32Registry final : public Registry {
public:
    explicit Win32Registry(const wchar_t* keyPath = L"Software\\Quarda\\Tobrix");
    ~Win32Registry() override;
    Win32Registry(const Win32Registry&) = delete;
    Win32Registry& operator=(const Win32Registry&) = delete;

    ReadResult Read(std::string_view section, std::string_view name) override;
    bool CreateSection(std::string_view section) override;
    bool Write(std::string_view section, std::string_view name, std::string_view text) override;
    bool Remove(std::string_view section, std::string_view name) override;

private:
    HKEY key_ = nullptr;
};

} // namespace tobrix::win32
