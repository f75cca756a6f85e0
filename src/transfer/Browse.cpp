#include "transfer/Browse.h"

#include "common/Cp932.h"
#include "platform/Files.h"

namespace tobrix {

std::string_view BrowseFolder(Files& files, std::string_view typed) {
    const std::string_view folder = DirectoryPart(typed);
    if (folder.empty() || !files.IsDirectory(files.PathOf(folder)))
        return {};
    return folder;
}

} // namespace tobrix
