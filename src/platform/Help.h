#pragma once
// The help viewers: WinHelp for an old .HLP file, HTML Help for the guide (.chm).

#include "platform/Files.h"

namespace tobrix {

// Where a help file opens.
enum class HelpPage {
    Contents,
    Index, // the keyword index, with an empty keyword
};

class Help {
public:
    virtual ~Help() = default;
    // Opens a WinHelp file; what becomes of it is WinHelp's to tell.
    virtual void ShowWinHelp(const FilePath& helpFile, HelpPage page) = 0;
    // Opens an HTML Help file; false when no help window could be opened.
    virtual bool ShowHtmlHelp(const FilePath& helpFile, HelpPage page) = 0;
    // Closes every help window the program opened; at exit, while the main window is still there.
    virtual void CloseAll() = 0;
};

} // namespace tobrix
