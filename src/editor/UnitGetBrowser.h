#pragma once
// Takes the address of the page a running web browser shows: the front-most top-level
// window whose title names a browser, and the text of its last descendant of class "Edit".

#include "common/Cp932Literal.h"
#include "platform/Desktop.h"

#include <string>
#include <string_view>

namespace tobrix {

// Browser title markers, tried in this order; any one qualifies a window.
inline constexpr std::string_view kBrowserMarkers[] = {
    "Microsoft Internet Explorer",
    "Netscape",
    sjis<u8"ｲﾝﾀｰﾈｯﾄ ｴｸｽﾌﾟﾛｰﾗ">(),
};
// Titles that name a browser's helper windows rather than a page.
inline constexpr std::string_view kExcludedTitleWords[] = {"Hidden", "NetscapeSlaveWindow"};
inline constexpr std::string_view kAddressClass = "Edit";

class TGetBrowser {
public:
    // Starts from a cleared state; make a new one for every capture.
    explicit TGetBrowser(Desktop& desktop) : desktop_(desktop) {}

    // True when an address was read; it is then in PageURL.
    bool Execute();

    WindowHandle AddressEdit = 0;
    std::string PageURL;

private:
    bool IsBrowserTitle(std::string_view title) const;

    Desktop& desktop_;
    bool found_ = false;
    WindowHandle browser_ = 0;
    std::string browserTitle_;
    WindowHandle addressEdit_ = 0;
};

} // namespace tobrix
