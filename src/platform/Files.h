#pragma once
// The file system as the program needs it. Paths are the system's own (wide on Windows), so
// that a file in any folder can be reached; they become CP932 text only to be shown.

#include "common/ByteStream.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace tobrix {

using FilePath = std::filesystem::path;

// A file being written. A file this program makes (CreateTemp, CreateNew) is removed when it
// is destroyed without Commit, by the system, so that no half-written file is left even when
// the program ends without closing it; a file written in place (Overwrite) keeps what was
// written.
class WritableFile : public ByteSink {
public:
    // Ends a write that went through: the file ends where the writing ended, is pushed to the
    // disk, kept and closed. False when the system reports a failure; a file this program
    // made is gone then.
    virtual bool Commit() = 0;
};

// A file made by CreateNew: `file` is null when it could not be made, and then `nameTaken`
// tells whether that was because something of that name exists already.
struct NewFile {
    std::unique_ptr<WritableFile> file;
    bool nameTaken = false;
};

// A file opened by Overwrite: `file` is null when it could not be opened, and then `noRoom`
// tells whether that was because the disk cannot hold the new length.
struct InPlaceFile {
    std::unique_ptr<WritableFile> file;
    bool noRoom = false;
};

// What became of a replacement.
enum class Replacement {
    Done,
    Refused,    // nothing changed: the target is as it was, the source still there
    TargetLost, // the target is gone and the source could not take its place: the source is the only copy
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
    // The file that `path` leads to once links are followed; `path` itself when it does not
    // exist or cannot be followed.
    virtual FilePath FinalPath(const FilePath& path) = 0;
    // Creates a new empty file of a name of its own in the folder of `target`, for a
    // replacement of `target` that is written completely before it takes its place; when
    // `target` exists, the new file gets its attributes and access rights. Nothing that exists
    // is touched. nullptr when the folder takes no new file, the target is read-only, or its
    // protection cannot be carried over exactly; otherwise tempPath receives its path.
    virtual std::unique_ptr<WritableFile> CreateTemp(const FilePath& target, FilePath& tempPath) = 0;
    // Puts the closed file `source` in the place of `target`, or at `target` when there is
    // none yet (never in the place of a file that appeared meanwhile). An existing target
    // keeps what the system keeps with a file (attributes, access rights, owner). A read-only
    // target is refused.
    virtual Replacement Replace(const FilePath& source, const FilePath& target) = 0;
    // Opens an existing file to write `length` bytes over its content, keeping what the
    // system keeps with a file. The file is first made that long, so that a disk without room
    // for it fails here, before any of its bytes is written over. Null when it does not exist,
    // is read-only or cannot be opened.
    virtual InPlaceFile Overwrite(const FilePath& path, std::uint64_t length) = 0;
    // Creates a file that must not exist yet; never opens or replaces an existing one.
    virtual NewFile CreateNew(const FilePath& path) = 0;
    // Creates a folder; true when it exists afterwards.
    virtual bool CreateFolder(const FilePath& path) = 0;
    // The time a file was last written, in ticks that only compare with each other; nothing
    // when there is no such file.
    virtual std::optional<std::int64_t> LastWriteTime(const FilePath& path) = 0;
    // Gives a closed file the last-write time of another (a time from LastWriteTime); false
    // when the system refuses.
    virtual bool SetLastWriteTime(const FilePath& path, std::int64_t time) = 0;
    // The length of a file in bytes; nothing when there is no such file.
    virtual std::optional<std::uint64_t> Size(const FilePath& path) = 0;
    // The program's own folder in the user's local application data (not created here);
    // empty when the system names none.
    virtual FilePath LocalDataFolder() = 0;
    // Removes a file: one this program made and kept, or one the user asked to have deleted.
    virtual bool Remove(const FilePath& path) = 0;
    // The path as the user reads it in a message (CP932; a character that code page 932
    // cannot hold shows as '?').
    virtual std::string DisplayName(const FilePath& path) const = 0;
    // The path that a name typed or stored as CP932 text stands for.
    virtual FilePath PathOf(std::string_view cp932) const = 0;
};

// Writes a new content for the file that `path` leads to beside it and puts it in its place
// in one step, as a save should: true when done. `write` fills the file and commits it, or
// throws. False, with nothing left behind, when no new file can be made there or none can
// take the old one's place; the caller then decides whether to write in place. An error
// thrown by `write` goes on up, the new file removed. Throws AppError naming the new file
// when the old one was lost on the way: the new file is then the only copy and stays.
bool WriteBeside(Files& files, const FilePath& path, const std::function<void(WritableFile&)>& write);

// Writes the file that `path` leads to beside it and puts it in its place, as WriteBeside does;
// where that cannot be done (a folder that takes no new files, rights that cannot be carried
// over), writes it where it is: an existing file once the disk has room for its new `length`,
// a missing one made anew. A file made here that fails half-way is removed rather than left
// looking whole. A read-only file is refused. Errors throw AppError, naming `shownName`.
void WriteBesideOrInPlace(Files& files, const FilePath& path, std::uint64_t length,
                          const std::function<void(WritableFile&)>& write, std::string_view shownName);

// Writes all of `bytes` into the file and commits it, or throws AppError(kMsgWriteError).
void WriteAndCommit(WritableFile& file, std::string_view bytes);

// The path with the extension of its file name replaced (a name without one gets it
// appended); `extension` is ASCII and starts with the dot.
FilePath ChangeFileExt(const FilePath& path, std::string_view extension);

} // namespace tobrix
