#include "win32/Win32Files.h"

#include "common/Identity.h"
#include "common/Error.h"
#include "win32/Encoding.h"

#include <windows.h>

#include <aclapi.h>
#include <knownfolders.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

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

// Marks an open file to be removed when its last handle is closed, or takes the mark off.
bool MarkForRemoval(HANDLE file, bool remove) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

class FileSink final : public WritableFile {
public:
    // `made`: the file was made by this program and carries the removal mark until Commit.
    FileSink(HANDLE file, bool made, FilePath path) : file_(file), made_(made), path_(std::move(path)) {}
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;
    ~FileSink() override {
        if (file_ != INVALID_HANDLE_VALUE)
            CloseHandle(file_); // a made file goes with it
    }

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

    bool Commit() override {
        if (file_ == INVALID_HANDLE_VALUE)
            return false;
        // The end where the writing ended: a file written in place may have been longer.
        const bool kept = SetEndOfFile(file_) && FlushFileBuffers(file_) && (!made_ || MarkForRemoval(file_, false));
        const HANDLE file = std::exchange(file_, INVALID_HANDLE_VALUE);
        if (!kept) {
            CloseHandle(file);
            return false;
        }
        if (!CloseHandle(file)) {
            if (made_)
                DeleteFileW(path_.c_str()); // ours, and no longer marked
            return false;
        }
        return true;
    }

private:
    HANDLE file_;
    bool made_;
    FilePath path_;
};

// Creates a file that must not exist yet, marked for removal until its write is committed, so
// that a failed or cut-short write leaves nothing behind whatever happens next. The handle
// (with DELETE access besides `access`), or INVALID_HANDLE_VALUE with the error kept.
HANDLE CreateMarked(const FilePath& path, DWORD access, DWORD attributes) {
    const HANDLE file = CreateFileW(path.c_str(), access | DELETE, 0, nullptr, CREATE_NEW, attributes, nullptr);
    if (file == INVALID_HANDLE_VALUE || MarkForRemoval(file, true))
        return file;
    const DWORD error = GetLastError();
    CloseHandle(file);
    DeleteFileW(path.c_str()); // just made, and empty
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

bool IsDiskFull(DWORD error) { return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL; }

// Writes zeros from the current end of the file up to `length`. Setting the end alone is not
// enough: many file systems (Linux ones under Wine among them) take the room only when the
// gap is written to, so a full disk would show only after the old content was written over.
bool FillTo(HANDLE file, std::uint64_t from, std::uint64_t length) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(from);
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN))
        return false;
    static const char zeros[65536] = {};
    for (std::uint64_t left = length - from; left > 0;) {
        const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(left, sizeof zeros));
        DWORD written = 0;
        if (!WriteFile(file, zeros, want, &written, nullptr))
            return false;
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        left -= written;
    }
    return true;
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

FilePath Win32Files::FinalPath(const FilePath& path) {
    const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return path;
    std::wstring final(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), VOLUME_NAME_DOS);
    if (n >= final.size()) {
        final.resize(n);
        n = GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), VOLUME_NAME_DOS);
    }
    CloseHandle(file);
    if (n == 0 || n >= final.size())
        return path;
    final.resize(n);
    // Back to the form the user knows ("\\?\C:\..." is "C:\...", "\\?\UNC\server\..." is "\\server\...").
    if (final.rfind(L"\\\\?\\UNC\\", 0) == 0)
        return FilePath(L"\\" + final.substr(7));
    if (final.rfind(L"\\\\?\\", 0) == 0)
        return FilePath(final.substr(4));
    return FilePath(final);
}

std::unique_ptr<WritableFile> Win32Files::CreateTemp(const FilePath& target, FilePath& tempPath) {
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

    // A name of its own in the same folder (so that the final rename stays on one volume):
    // a file the user keeps under a name like it is never touched.
    const unsigned seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        wchar_t suffix[16];
        const unsigned n = seed + attempt;
        for (int i = 0; i < 8; ++i)
            suffix[1 + i] = L"0123456789abcdef"[(n >> (28 - 4 * i)) & 0xF];
        suffix[0] = L'.';
        suffix[9] = L'\0';
        FilePath temp = target;
        temp += suffix;
        temp += L".tmp";
        // WRITE_DAC and READ_CONTROL let the rights be set and checked on the open file; the
        // handle keeps its access whatever the rights then say.
        const HANDLE file = CreateMarked(temp, GENERIC_WRITE | WRITE_DAC | READ_CONTROL, attributes);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
                continue;
            return nullptr;
        }
        BY_HANDLE_FILE_INFORMATION made{};
        const bool carried =
            !replacing || (GetFileInformationByHandle(file, &made) &&
                           (made.dwFileAttributes & kCarried) == (old & kCarried) && CarryAccessRights(target, file));
        if (!carried) {
            CloseHandle(file); // removed with it
            return nullptr;
        }
        tempPath = std::move(temp);
        return std::make_unique<FileSink>(file, true, tempPath);
    }
    return nullptr;
}

Replacement Win32Files::Replace(const FilePath& source, const FilePath& target) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (!IsAbsence(GetLastError()))
            return Replacement::Refused;
        // Not over a file that appeared meanwhile: that one is not ours to replace.
        return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) ? Replacement::Done
                                                                                 : Replacement::Refused;
    }
    if (IsReadOnly(attributes))
        return Replacement::Refused;
    if (ReplaceFileW(target.c_str(), source.c_str(), nullptr, 0, nullptr, nullptr))
        return Replacement::Done;
    // The old file may be gone with the new one still under its own name (Windows says so by
    // these errors; Wine, which removes before it renames, may not).
    const DWORD error = GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 || !Exists(target))
        return Replacement::TargetLost;
    return Replacement::Refused;
}

InPlaceFile Win32Files::Overwrite(const FilePath& path, std::uint64_t length) {
    if (IsReadOnly(GetFileAttributesW(path.c_str())))
        return {};
    // Opened as it is: nothing of the old content is lost before the new one is known to fit.
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    LARGE_INTEGER size{};
    bool ready = GetFileSizeEx(file, &size) != FALSE;
    const std::uint64_t oldLength = ready ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    if (ready && length > oldLength && !FillTo(file, oldLength, length)) {
        const DWORD error = GetLastError();
        SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
        SetEndOfFile(file); // back to the old length
        CloseHandle(file);
        return {nullptr, IsDiskFull(error)};
    }
    const LARGE_INTEGER start{};
    ready = ready && SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
    if (!ready) {
        CloseHandle(file);
        return {};
    }
    return {std::make_unique<FileSink>(file, false, path)};
}

NewFile Win32Files::CreateNew(const FilePath& path) {
    const HANDLE file = CreateMarked(path, GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return {nullptr, error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS};
    }
    return {std::make_unique<FileSink>(file, true, path), false};
}

bool Win32Files::CreateFolder(const FilePath& path) {
    // Asked first: making a drive's root, for one, is refused as a lack of rights.
    return IsDirectory(path) || CreateDirectoryW(path.c_str(), nullptr) || IsDirectory(path);
}

std::optional<std::int64_t> Win32Files::LastWriteTime(const FilePath& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return static_cast<std::int64_t>((std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                     data.ftLastWriteTime.dwLowDateTime);
}

bool Win32Files::SetLastWriteTime(const FilePath& path, std::int64_t time) {
    const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const auto ticks = static_cast<std::uint64_t>(time);
    const FILETIME written{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    const bool set = SetFileTime(file, nullptr, nullptr, &written) != FALSE;
    return CloseHandle(file) != FALSE && set;
}

std::optional<std::uint64_t> Win32Files::Size(const FilePath& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::nullopt;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

FilePath Win32Files::LocalDataFolder() {
    wchar_t* folder = nullptr;
    FilePath out;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder)))
        out = FilePath(folder) / Widen(kAppTitle);
    CoTaskMemFree(folder);
    return out;
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
