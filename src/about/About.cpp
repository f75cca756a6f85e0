#include "about/About.h"

#include "platform/Shell.h"

namespace tobrix {

void TfrmAbout::cmdCloseClick() { view_->Close(); }

void TfrmAbout::lblAddressClick(std::string_view caption) {
    std::string target(caption);
    if (caption.substr(0, 7) != "http://")
        target.insert(0, "mailto:");
    shell_.Open(target, Shell::Show::Normal);
}

} // namespace tobrix
