#pragma once
// The file system as the program needs it. Paths are CP932 text.

#include "store/Stream.h"

#include <memory>
#include <string>

namespace tobrix {

class WritableFile : public ByteSink {
public:
    // Pushes everything written so far to the disk; false on failure.
    virtual bool Flush() = 0;
    // Closes the file; false when the system reports a failure. Safe to call twice.
    virtual bool Close() = 0;
};

class Files {
public:
    virtual ~Files() = default;
    virtual bool Exists(const std::string& path) = 0;
    // nullptr when the file cannot be opened for reading (missing, locked, no access).
    virtual std::unique_ptr<ByteSource> OpenRead(const std::string& path) = 0;
    // Creates a new empty file with a name of its own in the folder of `beside`, for a
    // replacement of `beside` that is written completely before it takes its place.
    // nullptr on failure; otherwise tempPath receives its path.
    virtual std::unique_ptr<WritableFile> CreateTemp(const std::string& beside, std::string& tempPath) = 0;
    // Puts `source` in the place of `target` in one step: afterwards `target` is either the
    // old file or the new one, never a mixture or missing. False on failure.
    virtual bool Replace(const std::string& source, const std::string& target) = 0;
    virtual bool Remove(const std::string& path) = 0;
};

} // namespace tobrix
