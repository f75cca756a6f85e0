#include "platform/Files.h"

#include <string>

namespace tobrix {

bool WriteBeside(Files& files, const FilePath& path, const std::function<void(WritableFile&)>& write) {
    FilePath tempPath;
    std::unique_ptr<WritableFile> file = files.CreateTemp(path, tempPath);
    if (!file)
        return false;
    PartialFileGuard guard(files, tempPath);
    write(*file);
    file.reset(); // closed before it is renamed or removed
    if (!files.Replace(tempPath, path))
        return false;
    guard.Keep();
    return true;
}

FilePath ChangeFileExt(const FilePath& path, std::string_view extension) {
    FilePath out = path;
    out.replace_extension(FilePath(std::string(extension)));
    return out;
}

} // namespace tobrix
