#pragma once
// Where the "参照" buttons of the import and the export start their file dialog.

#include <string_view>

namespace tobrix {

class Files;

// The folder the file dialog starts in, with the typed name preselected: the directory part
// of the typed name (up to and including its last separator) when that folder exists.
// Empty otherwise (no name, no directory part, no such folder): the dialog then keeps its
// own start folder and name. The view points into `typed`.
std::string_view BrowseFolder(Files& files, std::string_view typed);

} // namespace tobrix
