#include "win32/Win32Files.h"

#include "common/Error.h"
#include "win32/Encoding.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <optional>

namespace tobrix::win32 {

namespace {

class FileSource final : public ByteSource {
public:
    FileSource(HANDLE file, std::string displayName) : file_(file), displayName_(std::move(displayName)) {}
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    ~FileSource() override { CloseHandle(file_); }

    std::size_t Read(char* buffer, std::size_t size) override {
        std::size_t total = 0;
        while (total < size) {
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - total, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(file_, buffer + total, want, &got, nullptr))
                throw AppError(Substitute(kMsgCannotOpen, displayName_)); // never a silently short list
            if (got == 0)
                break;
            total += got;
        }
        return total;
    }

private:
    HANDLE file_;
    std::string displayName_;
};

class FileSink final : public WritableFile {
public:
    explicit FileSink(HANDLE file) : file_(file) {}
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;
    ~FileSink() override { Close(); }

    std::size_t Write(const char* data, std::size_t size) override {
        std::size_t total = 0;
        while (total < size) {
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - total, 1u << 30));
            DWORD written = 0;
            if (!WriteFile(file_, data + total, want, &written, nullptr) || written == 0)
                break;
            total += written;
        }
        return total;
    }
    bool Flush() override { return file_ != INVALID_HANDLE_VALUE && FlushFileBuffers(file_); }
    bool Close() override {
        if (file_ == INVALID_HANDLE_VALUE)
            return true;
        const bool ok = CloseHandle(file_) != FALSE;
        file_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE file_;
};

std::unique_ptr<WritableFile> SinkFor(HANDLE file) {
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<FileSink>(file);
}

bool IsAbsence(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Windows refuses to replace or truncate a read-only file; the test is made here as well so
// that the rule holds where the file system does not enforce it (an administrator on some
// network shares, Wine running as root).
bool IsReadOnly(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// The access rights of a file as text, or nothing when they cannot be read.
std::optional<std::wstring> RightsText(PSECURITY_DESCRIPTOR descriptor) {
    wchar_t* text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                              &text, nullptr))
        return std::nullopt;
    std::wstring out(text);
    LocalFree(text);
    return out;
}

// Gives the new file the old one's access rights: its own entries, and whether it inherits
// from the folder (both files are in the same folder, so what it inherits is the same). True
// only when the new file's rights then read exactly as the old one's: some file systems
// cannot hold them as they are.
bool CarryAccessRights(const FilePath& from, HANDLE to) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR old = nullptr;
    if (GetNamedSecurityInfoW(from.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &old) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(old, &control, &revision);
    const SECURITY_INFORMATION what =
        DACL_SECURITY_INFORMATION |
        ((control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    bool carried = SetSecurityInfo(to, SE_FILE_OBJECT, what, nullptr, nullptr, dacl, nullptr) == ERROR_SUCCESS;
    PSECURITY_DESCRIPTOR now = nullptr;
    if (carried)
        carried = GetSecurityInfo(to, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                                  &now) == ERROR_SUCCESS;
    if (carried) {
        const std::optional<std::wstring> wanted = RightsText(old), got = RightsText(now);
        carried = wanted && got && *wanted == *got;
    }
    LocalFree(now);
    LocalFree(old);
    return carried;
}

} // namespace

bool Win32Files::Exists(const FilePath& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES || !IsAbsence(GetLastError());
}

bool Win32Files::IsDirectory(const FilePath& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32Files::IsFile(const FilePath& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

namespace {

std::unique_ptr<ByteSource> OpenForReading(const FilePath& path, DWORD share, std::string displayName) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<FileSource>(file, std::move(displayName));
}

} // namespace

std::unique_ptr<ByteSource> Win32Files::OpenRead(const FilePath& path) {
    return OpenForReading(path, FILE_SHARE_READ, DisplayName(path));
}

std::unique_ptr<ByteSource> Win32Files::OpenReadShared(const FilePath& path) {
    return OpenForReading(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, DisplayName(path));
}

std::unique_ptr<WritableFile> Win32Files::CreateTemp(const FilePath& target, FilePath& tempPath) {
    // Same folder as the target, so that the final rename stays on one volume and is atomic.
    FilePath temp = target;
    temp += L".tmp";
    DeleteFileW(temp.c_str()); // left over by a save that was cut short

    // What the user set on the old file goes onto the new one before it takes its place:
    // the attributes (encryption included: the file is created encrypted) and the access
    // rights. Where they cannot be carried over exactly, no new file is used, and the data
    // file is written in place, which keeps them.
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    const DWORD old = GetFileAttributesW(target.c_str());
    const bool replacing = old != INVALID_FILE_ATTRIBUTES;
    if ((!replacing && !IsAbsence(GetLastError())) || IsReadOnly(old))
        return nullptr;
    // Not the archive bit: new content is to be backed up again, as Windows marks it.
    constexpr DWORD kCarried =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_ENCRYPTED;
    if (replacing && (old & kCarried) != 0)
        attributes = old & kCarried;
    // WRITE_DAC and READ_CONTROL let the rights be set and checked on the open file; the
    // handle keeps its access whatever the rights then say.
    const HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE | WRITE_DAC | READ_CONTROL, 0, nullptr, CREATE_NEW,
                                    attributes, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    const bool carried = !replacing || ((GetFileAttributesW(temp.c_str()) & kCarried) == (old & kCarried) &&
                                        CarryAccessRights(target, file));
    if (!carried) {
        CloseHandle(file);
        DeleteFileW(temp.c_str());
        return nullptr;
    }
    tempPath = std::move(temp);
    return SinkFor(file);
}

bool Win32Files::Replace(const FilePath& source, const FilePath& target) {
    if (IsReadOnly(GetFileAttributesW(target.c_str()))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

std::unique_ptr<WritableFile> Win32Files::Overwrite(const FilePath& path) {
    if (IsReadOnly(GetFileAttributesW(path.c_str())))
        return nullptr;
    return SinkFor(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

NewFile Win32Files::CreateNew(const FilePath& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return {nullptr, error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS};
    }
    return {SinkFor(file), false};
}

bool Win32Files::Remove(const FilePath& path) { return DeleteFileW(path.c_str()) != FALSE; }

std::string Win32Files::DisplayName(const FilePath& path) const { return Narrow(path.native()); }

FilePath Win32Files::PathOf(std::string_view cp932) const { return FilePath(Widen(cp932)); }

FilePath ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return FilePath(std::move(path));
        }
        path.resize(path.size() * 2);
    }
}

} // namespace tobrix::win32
