#include "win32/Win32Registry.h"

#include "win32/Encoding.h"

#include <string>

namespace tobrix::win32 {

namespace {

class KeyHandle {
public:
    KeyHandle() = default;
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    ~KeyHandle() {
        if (key != nullptr)
            RegCloseKey(key);
    }
    HKEY key = nullptr;
};

} // namespace

Win32Registry::Win32Registry(const wchar_t* keyPath) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr) !=
        ERROR_SUCCESS)
        key_ = nullptr; // every value then reads as missing, and saving reports the failure
}

Win32Registry::~Win32Registry() {
    if (key_ != nullptr)
        RegCloseKey(key_);
}

Registry::ReadResult Win32Registry::Read(std::string_view section, std::string_view name) {
    KeyHandle sub;
    if (key_ == nullptr || RegOpenKeyExW(key_, Widen(section).c_str(), 0, KEY_READ, &sub.key) != ERROR_SUCCESS)
        return {};
    const std::wstring valueName = Widen(name);
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(sub.key, valueName.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return {};
    if (status != ERROR_SUCCESS)
        return {ReadStatus::Failed, {}};
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return {ReadStatus::WrongType, {}};
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    status = RegQueryValueExW(sub.key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes);
    if (status != ERROR_SUCCESS)
        return {ReadStatus::Failed, {}};
    text.resize(bytes / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return {ReadStatus::Text, Narrow(text)};
}

bool Win32Registry::CreateSection(std::string_view section) {
    KeyHandle sub;
    return key_ != nullptr && RegCreateKeyExW(key_, Widen(section).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                              &sub.key, nullptr) == ERROR_SUCCESS;
}

bool Win32Registry::Write(std::string_view section, std::string_view name, std::string_view text) {
    KeyHandle sub;
    if (key_ == nullptr || RegCreateKeyExW(key_, Widen(section).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                           &sub.key, nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring wide = Widen(text);
    const DWORD bytes = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)); // with its terminating 0
    return RegSetValueExW(sub.key, Widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                          bytes) == ERROR_SUCCESS;
}

bool Win32Registry::Remove(std::string_view section, std::string_view name) {
    KeyHandle sub;
    if (key_ == nullptr || RegOpenKeyExW(key_, Widen(section).c_str(), 0, KEY_SET_VALUE, &sub.key) != ERROR_SUCCESS)
        return true; // no section, no value
    const LSTATUS status = RegDeleteValueW(sub.key, Widen(name).c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

} // namespace tobrix::win32
