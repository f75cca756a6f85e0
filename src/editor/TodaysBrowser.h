#pragma once
// Reads the address a browser of today shows (Chromium-based: Chrome, Edge, Brave; and Firefox)
// through the accessibility tree of the browser's own frame. The web page itself is never
// searched: a page could plant a field that looks like the address bar, and walking a whole page
// is slow. Only the root of the page's document is read, for the address it carries.

#include "platform/Accessibility.h"
#include "platform/Desktop.h"

#include <mutex>
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
// AccessibleNode::ClassName carries; a browser that derives its own bar from it names it with a
// prefix (Brave's BraveOmniboxViewViews), so a class ending in this one is the bar. Firefox: the
// id of the bar's input element, IAccessible2's object attribute "id" (UI Automation's
// AutomationId), carried by AccessibleNode::Id.
inline constexpr std::u16string_view kChromiumAddressBarClass = u"OmniboxViewViews";
inline constexpr std::u16string_view kFirefoxAddressBarId = u"urlbar-input";

// The walk of a frame ends after this many objects, or below this depth, whatever the tree.
inline constexpr int kAddressBarSearchBudget = 3000;
inline constexpr int kAddressBarSearchDepth = 64;

// Chromium hides the scheme of the address it shows (and a leading "www."), Firefox "http://" and
// "https://": an address without one gets the scheme of the page's document where its host is
// the bar's, else this.
inline constexpr std::string_view kHiddenScheme = "https://";

// How many documents' addresses a frame's walk keeps (a side panel may show a page of its own).
inline constexpr std::size_t kFramePagesKept = 4;

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

// What the walk of a browser's frame found: the address bar's value, and the values of the
// documents met on the way (their roots only, never entered), which both families give as the
// page's address (Chromium's root web area, Firefox's document, through MSAA's value and UI
// Automation's Value pattern). Depth first, tab lists never entered, within the budget and depth
// above; the walk ends once the bar and a document's address were read.
struct FrameReading {
    std::optional<std::u16string> bar;
    std::vector<std::u16string> pages; // at most kFramePagesKept, in the walk's order
};
FrameReading ReadFrame(AccessibleNode& root, BrowserFamily family);

// The bar's value alone.
std::optional<std::u16string> FindAddressBar(AccessibleNode& root, BrowserFamily family);

// The address in the bar's value as the editor keeps it (CP932), or nothing when the value
// is no address: it needs a scheme followed by "//", or a host name with a dot or followed by a
// port ("localhost:8080"), and no blank inside (search words, text being typed). Without a
// scheme, the first of `pages` whose host is the bar's, or the bar's with "www." before it, gives
// its scheme and that "www."; without such a page, kHiddenScheme is put before it.
// Characters that code page 932 cannot hold are written as %XX of their UTF-8 bytes, except
// in the host: a host with such a character is written in its ASCII form (punycode labels,
// "xn--..."). A host that code page 932 can hold stays as shown.
std::optional<std::string> AddressFromBar(std::u16string_view value, const TextCodec& codec,
                                          std::span<const std::u16string> pages = {});

// One label in punycode (RFC 3492), without the "xn--" prefix; its basic characters stay as
// they are. Nothing when the label is too long for the encoding's arithmetic.
std::optional<std::string> Punycode(std::u32string_view label);

// The browser windows that captures are reading now, shared by the captures' threads: a window
// still being asked by an earlier capture (a hung browser) is not asked again until it answered,
// so that it holds one thread, not one more at every press of the button.
class WindowsBeingRead {
public:
    // False when another capture is reading the window.
    bool Claim(WindowHandle window);
    void Release(WindowHandle window);

private:
    std::mutex mutex_;
    std::set<WindowHandle> windows_;
};

// The address of the front-most browser window of today that shows an address bar, or nothing:
// when that bar holds no address (a new tab, a search being typed), or the window is still
// being read by an earlier capture, nothing, never the address of a window behind it. Each
// window is read through the interfaces in their order until one shows its address bar: a
// browser may serve the key of its bar through one and not the other. On a Chromium window only
// the first interface that gives a tree is read: the next one is IAccessible2, whose use turns
// on Chromium's screen-reader mode in every tab until the browser restarts.
std::optional<std::string> ReadTodaysBrowser(Desktop& desktop, std::span<Accessibility* const> interfaces,
                                             const TextCodec& codec, WindowsBeingRead& beingRead);

// How long a capture may wait for the browsers: kFirstCaptureBoundMs when a browser window is
// there that was not asked before in this run, else kCaptureBoundMs. One thread at a time.
class CaptureBound {
public:
    int BoundMs(Desktop& desktop);

private:
    std::set<WindowHandle> asked_;
};

} // namespace tobrix
