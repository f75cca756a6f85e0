#pragma once
// Reads the address a browser of today shows (Chromium-based: Chrome, Edge, Brave, Vivaldi,
// Opera; and Firefox) through the accessibility tree of the browser's own frame. The web page
// itself is never searched: a page could plant a field that looks like the address bar, and
// walking a whole page is slow.

#include "platform/Accessibility.h"
#include "platform/Desktop.h"

#include <optional>
#include <span>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix {

class TextCodec;

enum class BrowserFamily { Chromium, Firefox };

// The window classes of the two families. Other programs use them too (Electron programs, the
// Firefox family's mail client): a window without an address bar is passed over.
inline constexpr std::string_view kChromiumWindowClass = "Chrome_WidgetWin_1";
inline constexpr std::string_view kFirefoxWindowClass = "MozillaWindowClass";

// What identifies the address bar, never its shown name, which is translated (users run
// Japanese browsers). Chromium: the class of the view behind the bar, which Chromium gives as
// IAccessible2's object attribute "class" (UI Automation's ClassName), and which
// AccessibleNode::ClassName carries. Firefox: the id of the bar's input element, IAccessible2's
// object attribute "id" (UI Automation's AutomationId), carried by AccessibleNode::Id.
inline constexpr std::u16string_view kChromiumAddressBarClass = u"OmniboxViewViews";
inline constexpr std::u16string_view kFirefoxAddressBarId = u"urlbar-input";

// ROLE_SYSTEM_PAGETABLIST: the tabs, which both families keep before the address bar. Never
// entered: with many tabs open they would spend the walk's budget and time.
inline constexpr int kRolePageTabList = 60;

// The walk of a frame ends after this many objects, or below this depth, whatever the tree.
inline constexpr int kAddressBarSearchBudget = 3000;
inline constexpr int kAddressBarSearchDepth = 64;

// Chromium hides the scheme of the address it shows: an address without one gets this.
inline constexpr std::string_view kHiddenScheme = "https://";

// The waits for a browser's answer: longer the first time a window is asked, while the
// browser builds its accessibility tree.
inline constexpr int kFirstCaptureBoundMs = 5000;
inline constexpr int kCaptureBoundMs = 2000;

struct BrowserWindow {
    WindowHandle window = 0;
    BrowserFamily family = BrowserFamily::Chromium;
    bool operator==(const BrowserWindow&) const = default;
};

// The top-level windows of a known browser class, front to back: shown (not on another
// virtual desktop) and not minimised. A Chromium window without a title is one of the
// browser's helper windows.
std::vector<BrowserWindow> BrowserCandidates(Desktop& desktop);

// The value of the address bar in the tree of a browser's frame (depth first, documents and tab
// lists never entered, within the budget and depth above), or nothing when no bar is found.
std::optional<std::u16string> FindAddressBar(AccessibleNode& root, BrowserFamily family);

// The address in the bar's value as the editor keeps it (CP932), or nothing when the value
// is no address: it needs a scheme followed by "//", or a host name with a dot, and no blank
// inside (search words, text being typed). Without a scheme, kHiddenScheme is put before it.
// Characters that code page 932 cannot hold are written as %XX of their UTF-8 bytes, except
// in the host: a host with such a character is written in its ASCII form (punycode labels,
// "xn--..."). A host that code page 932 can hold stays as shown.
std::optional<std::string> AddressFromBar(std::u16string_view value, const TextCodec& codec);

// One label in punycode (RFC 3492), without the "xn--" prefix; its basic characters stay as
// they are. Nothing when the label is too long for the encoding's arithmetic.
std::optional<std::string> Punycode(std::u32string_view label);

// The address of the front-most browser of today that shows one, or nothing. Each window is
// read through the interfaces in their order until one shows its address bar: a browser may
// serve the key of its bar through one and not the other.
std::optional<std::string> ReadTodaysBrowser(Desktop& desktop, std::span<Accessibility* const> interfaces,
                                             const TextCodec& codec);

// How long a capture may wait for the browsers: kFirstCaptureBoundMs when a browser window is
// there that was not asked before in this run, else kCaptureBoundMs. One thread at a time.
class CaptureBound {
public:
    int BoundMs(Desktop& desktop);

private:
    std::set<WindowHandle> asked_;
};

} // namespace tobrix
