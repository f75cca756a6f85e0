#include "editor/UnitGetBrowser.h"

#include "common/Cp932.h"

namespace tobrix {

namespace {

constexpr int kTitleBuffer = 255;   // so at most 254 bytes of a title or class name arrive
constexpr int kAddressBuffer = 256; // at most 255 bytes of the address

bool Contains(std::string_view text, std::string_view word) { return text.find(word) != std::string_view::npos; }

} // namespace

bool TGetBrowser::IsBrowserTitle(std::string_view title) const {
    bool marked = false;
    for (std::string_view marker : kBrowserMarkers)
        marked = marked || Contains(title, marker);
    if (!marked)
        return false;
    for (std::string_view word : kExcludedTitleWords)
        if (Contains(title, word))
            return false;
    return true;
}

bool TGetBrowser::Execute() {
    desktop_.EnumTopLevel([this](WindowHandle window) {
        const std::string title(UntilNul(desktop_.Title(window, kTitleBuffer)));
        if (title.empty() || !IsBrowserTitle(title))
            return true;
        browser_ = window;
        browserTitle_ = title;
        found_ = true;
        return false;
    });
    if (!found_ || !desktop_.IsWindow(browser_))
        return false;

    // The last edit control in the system's order is taken: browsers put the address field
    // after their other edit fields.
    addressEdit_ = 0;
    desktop_.EnumDescendants(browser_, [this](WindowHandle child) {
        const std::optional<std::string> name = desktop_.ClassName(child, kTitleBuffer);
        if (name && EqualsIgnoringAsciiCase(UntilNul(*name), kAddressClass))
            addressEdit_ = child;
    });
    if (addressEdit_ == 0 || !desktop_.IsWindow(addressEdit_))
        return false;
    AddressEdit = addressEdit_;

    const std::optional<std::string> text = desktop_.RequestText(AddressEdit, kAddressBuffer);
    if (!text)
        return false; // no answer, or an address that could not be kept as it is: no capture
    PageURL = std::string(UntilNul(*text));
    return true;
}

} // namespace tobrix
