#include "platform/Files.h"

#include <string>

namespace tobrix {

FilePath ChangeFileExt(const FilePath& path, std::string_view extension) {
    FilePath out = path;
    out.replace_extension(FilePath(std::string(extension)));
    return out;
}

} // namespace tobrix
