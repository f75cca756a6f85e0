#pragma once
// The help viewer, on a help file named by its path.

#include "platform/Files.h"

namespace tobrix {

class Help {
public:
    virtual ~Help() = default;
    // Opens the help file at its contents.
    virtual void ShowContents(const FilePath& helpFile) = 0;
    // Opens the help file's keyword search with an empty keyword.
    virtual void SearchKeyword(const FilePath& helpFile) = 0;
};

} // namespace tobrix
