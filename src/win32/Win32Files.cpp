#include "win32/Win32Files.h"

#include "common/Error.h"
#include "win32/Encoding.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace tobrix::win32 {

namespace {

class FileSource final : public ByteSource {
public:
    FileSource(HANDLE file, std::string path) : file_(file), path_(std::move(path)) {}
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    ~FileSource() override { CloseHandle(file_); }

    std::size_t Read(char* buffer, std::size_t size) override {
        std::size_t total = 0;
        while (total < size) {
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - total, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(file_, buffer + total, want, &got, nullptr))
                throw AppError(Substitute(kMsgCannotOpen, path_)); // never a silently short list
            if (got == 0)
                break;
            total += got;
        }
        return total;
    }

private:
    HANDLE file_;
    std::string path_;
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

std::unique_ptr<WritableFile> CreateForWriting(const std::string& path) {
    const HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<FileSink>(file);
}

} // namespace

bool Win32Files::Exists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::unique_ptr<ByteSource> Win32Files::OpenRead(const std::string& path) {
    const HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<FileSource>(file, path);
}

std::unique_ptr<WritableFile> Win32Files::CreateTemp(const std::string& beside, std::string& tempPath) {
    // Same folder as the target, so that the final rename stays on one volume and is atomic.
    // A file left over by a save that was cut short is simply overwritten.
    tempPath = beside + ".tmp";
    return CreateForWriting(tempPath);
}

bool Win32Files::Replace(const std::string& source, const std::string& target) {
    return MoveFileExW(Widen(source).c_str(), Widen(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool Win32Files::Remove(const std::string& path) { return DeleteFileW(Widen(path).c_str()) != FALSE; }

} // namespace tobrix::win32
