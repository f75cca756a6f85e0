#pragma once
// The file system as the program needs it. Paths are the system's own (wide on Windows), so
// that a file in any folder can be reached; they become CP932 text only to be shown.

#include "common/ByteStream.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace tobrix {

using FilePath = std::filesystem::path;

class WritableFile : public ByteSink {
public:
    // Pushes everything written so far to the disk; false on failure.
    virtual bool Flush() = 0;
    // Closes the file; false when the system reports a failure. Safe to call twice.
    virtual bool Close() = 0;
};

// A file made by CreateNew: `file` is null when it could not be made, and then `nameTaken`
// tells whether that was because something of that name exists already.
struct NewFile {
    std::unique_ptr<WritableFile> file;
    bool nameTaken = false;
};

class Files {
public:
    virtual ~Files() = default;
    // False only when the system reports that the file or its folder does not exist; a file
    // that exists but cannot be looked at (no access, held by another program) counts as
    // existing, so that it is never taken for absent and replaced.
    virtual bool Exists(const FilePath& path) = 0;
    // True only for an existing folder (a drive's root included).
    virtual bool IsDirectory(const FilePath& path) = 0;
    // True only for an existing file that is not a folder.
    virtual bool IsFile(const FilePath& path) = 0;
    // nullptr when the file cannot be opened for reading (missing, locked, no access).
    // Others may go on reading the file, not writing it.
    virtual std::unique_ptr<ByteSource> OpenRead(const FilePath& path) = 0;
    // For a look at a file that another program may be writing: nothing is denied to others.
    virtual std::unique_ptr<ByteSource> OpenReadShared(const FilePath& path) = 0;
    // Creates a new empty file in the folder of `target`, for a replacement of `target` that
    // is written completely before it takes its place; when `target` exists, the new file
    // gets its attributes and access rights. nullptr when the folder takes no new file, the
    // target is read-only, or its protection cannot be carried over exactly; otherwise
    // tempPath receives its path.
    virtual std::unique_ptr<WritableFile> CreateTemp(const FilePath& target, FilePath& tempPath) = 0;
    // Puts `source` in the place of `target` in one step: afterwards `target` is either the
    // old file or the new one, never a mixture or missing. A read-only target is not
    // replaced. False on failure.
    virtual bool Replace(const FilePath& source, const FilePath& target) = 0;
    // Opens an existing file for writing, its content discarded, keeping what the system
    // keeps with a file (attributes, access rights). nullptr when it does not exist, is
    // read-only or cannot be opened.
    virtual std::unique_ptr<WritableFile> Overwrite(const FilePath& path) = 0;
    // Creates a file that must not exist yet; never opens or replaces an existing one.
    virtual NewFile CreateNew(const FilePath& path) = 0;
    virtual bool Remove(const FilePath& path) = 0;
    // The path as the user reads it in a message (CP932; a character that code page 932
    // cannot hold shows as '?').
    virtual std::string DisplayName(const FilePath& path) const = 0;
    // The path that a name typed or stored as CP932 text stands for.
    virtual FilePath PathOf(std::string_view cp932) const = 0;
};

// Removes a file that was being written unless it was kept.
class PartialFileGuard {
public:
    PartialFileGuard(Files& files, FilePath path) : files_(files), path_(std::move(path)) {}
    PartialFileGuard(const PartialFileGuard&) = delete;
    PartialFileGuard& operator=(const PartialFileGuard&) = delete;
    ~PartialFileGuard() {
        if (!path_.empty())
            files_.Remove(path_);
    }
    void Keep() { path_.clear(); }

private:
    Files& files_;
    FilePath path_;
};

// Writes a new content for `path` beside it and puts it in its place in one step, as a
// save should: true when done. False, with nothing left behind, when no new file can be
// made there or none can take the old one's place; the caller then decides whether to
// write in place. An error thrown by `write` removes the new file and goes on up.
bool WriteBeside(Files& files, const FilePath& path, const std::function<void(WritableFile&)>& write);

// The path with the extension of its file name replaced (a name without one gets it
// appended); `extension` is ASCII and starts with the dot.
FilePath ChangeFileExt(const FilePath& path, std::string_view extension);

} // namespace tobrix
