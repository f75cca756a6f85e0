#include "editor/TodaysBrowser.h"

#include "common/Cp932.h"
#include "platform/TextCodec.h"

#include <cstdint>
#include <limits>

namespace tobrix {

namespace {

constexpr int kTitleBuffer = 255; // as the title-marker capture reads titles and class names

// ---- The windows ------------------------------------------------------------------------

std::optional<BrowserFamily> FamilyOf(Desktop& desktop, WindowHandle window) {
    const std::optional<std::string> name = desktop.ClassName(window, kTitleBuffer);
    if (!name)
        return std::nullopt;
    const std::string_view className = UntilNul(*name);
    if (className == kFirefoxWindowClass)
        return BrowserFamily::Firefox;
    if (className == kChromiumWindowClass && !UntilNul(desktop.Title(window, kTitleBuffer)).empty())
        return BrowserFamily::Chromium;
    return std::nullopt;
}

// ---- The tree ---------------------------------------------------------------------------

bool IsAddressBar(AccessibleNode& node, BrowserFamily family) {
    if (family == BrowserFamily::Firefox)
        return node.Id() == kFirefoxAddressBarId;
    const std::u16string className = node.ClassName();
    return std::u16string_view(className).ends_with(kChromiumAddressBarClass);
}

struct Search {
    BrowserFamily family;
    FrameReading found;
    int left = kAddressBarSearchBudget; // objects still to be looked at

    bool Done() const { return left <= 0 || (found.bar && !found.pages.empty()); }

    void In(AccessibleNode& node, int depth) {
        if (left <= 0)
            return;
        --left;
        const int role = node.Role();
        if (role == kRoleDocument) {
            // A web page: whatever it holds is the page's, not the browser's. Its root's value is
            // the address of the page it shows.
            std::u16string address = node.Value();
            if (!address.empty() && found.pages.size() < kFramePagesKept)
                found.pages.push_back(std::move(address));
            return;
        }
        if (role == kRolePageTabList)
            return;
        if (!found.bar && IsAddressBar(node, family)) {
            found.bar = node.Value();
            return;
        }
        if (depth >= kAddressBarSearchDepth)
            return;
        for (const std::unique_ptr<AccessibleNode>& child : node.Children()) {
            if (Done())
                break;
            if (child)
                In(*child, depth + 1);
        }
    }
};

// ---- The address ------------------------------------------------------------------------

bool IsBlank(char32_t c) {
    return c <= 0x20 || c == 0x7F || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200B) || c == 0x2028 ||
           c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000 || c == 0xFEFF;
}

bool IsAsciiLetter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char32_t c) { return c >= '0' && c <= '9'; }

// Code points of well-formed UTF-16; nothing for a lone surrogate.
std::optional<std::u32string> CodePoints(std::u16string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char16_t c = text[k];
        if (c >= 0xD800 && c <= 0xDBFF && k + 1 < text.size() && text[k + 1] >= 0xDC00 && text[k + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[k + 1] - 0xDC00));
            ++k;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            return std::nullopt;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::u16string Utf16(std::u32string_view text) {
    std::u16string out;
    for (const char32_t c : text) {
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

void AppendPercentUtf8(char32_t c, std::string& out) {
    unsigned char bytes[4];
    int n = 0;
    if (c < 0x80) {
        bytes[n++] = static_cast<unsigned char>(c);
    } else if (c < 0x800) {
        bytes[n++] = static_cast<unsigned char>(0xC0 | (c >> 6));
        bytes[n++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        bytes[n++] = static_cast<unsigned char>(0xE0 | (c >> 12));
        bytes[n++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        bytes[n++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else {
        bytes[n++] = static_cast<unsigned char>(0xF0 | (c >> 18));
        bytes[n++] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
        bytes[n++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        bytes[n++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int k = 0; k < n; ++k) {
        out += '%';
        out += kHex[bytes[k] >> 4];
        out += kHex[bytes[k] & 0x0F];
    }
}

// Outside the host: each character as code page 932 holds it, or as %XX of its UTF-8 bytes.
// A '%' is a character like any other, so an existing %XX stays as it is.
void AppendOutsideHost(std::u32string_view text, const TextCodec& codec, std::string& out) {
    bool lossy = false;
    std::string whole = codec.FromUtf16(Utf16(text), lossy);
    if (!lossy) {
        out += whole;
        return;
    }
    for (const char32_t c : text) {
        bool lost = false;
        std::string one = codec.FromUtf16(Utf16(std::u32string_view(&c, 1)), lost);
        if (lost)
            AppendPercentUtf8(c, out);
        else
            out += one;
    }
}

// The host as shown when code page 932 holds it, else in its ASCII form. False when a label
// cannot be encoded.
bool AppendAsciiHost(std::u32string_view host, std::string& out);

bool AppendHost(std::u32string_view host, const TextCodec& codec, std::string& out) {
    bool lossy = false;
    std::string shown = codec.FromUtf16(Utf16(host), lossy);
    if (!lossy) {
        out += shown;
        return true;
    }
    return AppendAsciiHost(host, out);
}

// The host in its ASCII form: every label with a character beyond ASCII in punycode, letters in
// lower case. False when a label cannot be encoded.
bool AppendAsciiHost(std::u32string_view host, std::string& out) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = host.find(U'.', start);
        std::u32string label(host.substr(start, dot == std::u32string_view::npos ? host.npos : dot - start));
        bool ascii = true;
        for (char32_t& c : label) {
            if (c >= 'A' && c <= 'Z')
                c = c - 'A' + 'a';
            ascii = ascii && c < 0x80;
        }
        if (ascii) {
            for (const char32_t c : label)
                out += static_cast<char>(c);
        } else {
            const std::optional<std::string> encoded = Punycode(label);
            if (!encoded)
                return false;
            out += "xn--";
            out += *encoded;
        }
        if (dot == std::u32string_view::npos)
            return true;
        out += '.';
        start = dot + 1;
    }
}

// Where the scheme's ':' is when the text starts with a scheme followed by "//", else npos.
std::size_t SchemeColon(std::u32string_view text) {
    if (text.empty() || !IsAsciiLetter(text[0]))
        return std::u32string_view::npos;
    std::size_t k = 1;
    while (k < text.size() &&
           (IsAsciiLetter(text[k]) || IsAsciiDigit(text[k]) || text[k] == '+' || text[k] == '-' || text[k] == '.'))
        ++k;
    if (text.substr(k, 3) != U"://")
        return std::u32string_view::npos;
    return k;
}

// A host written without a scheme, of the characters a host name has: at least two labels, or
// one when a port follows it ("localhost:8080").
bool LooksLikeHostName(std::u32string_view host, bool portShown) {
    if (host.empty() || host[0] == '.')
        return false;
    for (const char32_t c : host)
        if (c < 0x80 && !IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '-' && c != '.' && c != '_')
            return false;
    const std::size_t dot = host.find(U'.');
    if (dot == std::u32string_view::npos)
        return portShown;
    return dot + 1 < host.size() && host[dot + 1] != '.';
}

// Where the parts of an address are, as offsets into it.
struct Parts {
    std::size_t colon = std::u32string_view::npos; // the scheme's ':', npos without a scheme
    std::size_t host = 0, hostEnd = 0, authorityEnd = 0;
    std::size_t at = std::u32string_view::npos; // the '@' after a user name, within the authority
};

Parts Split(std::u32string_view text) {
    Parts p;
    p.colon = SchemeColon(text);
    const std::size_t authority = p.colon != std::u32string_view::npos ? p.colon + 3 : 0;
    p.authorityEnd = text.find_first_of(U"/?#", authority);
    if (p.authorityEnd == std::u32string_view::npos)
        p.authorityEnd = text.size();
    const std::size_t at = text.substr(authority, p.authorityEnd - authority).rfind(U'@');
    p.at = at == std::u32string_view::npos ? at : authority + at;
    p.host = at == std::u32string_view::npos ? authority : authority + at + 1;
    p.hostEnd = p.host;
    if (p.host < p.authorityEnd && text[p.host] == '[') {
        const std::size_t close = text.substr(p.host, p.authorityEnd - p.host).find(U']');
        p.hostEnd = close == std::u32string_view::npos ? p.authorityEnd : p.host + close + 1;
    } else {
        while (p.hostEnd < p.authorityEnd && text[p.hostEnd] != ':')
            ++p.hostEnd;
    }
    return p;
}

std::u32string_view Trimmed(std::u32string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The scheme and the "www." that the bar hid, from the first page whose host is the bar's host
// (both in their ASCII form), or the bar's host with "www." before it.
struct Hidden {
    std::string scheme{kHiddenScheme.substr(0, kHiddenScheme.size() - 3)};
    bool www = false;
};

Hidden HiddenParts(std::u32string_view barHost, std::span<const std::u16string> pages) {
    Hidden hidden;
    std::string bar;
    if (!AppendAsciiHost(barHost, bar))
        return hidden;
    for (const std::u16string& page : pages) {
        const std::optional<std::u32string> points = CodePoints(page);
        if (!points)
            continue;
        const std::u32string_view text = Trimmed(*points);
        const Parts parts = Split(text);
        std::string host;
        if (parts.colon == std::u32string_view::npos ||
            !AppendAsciiHost(text.substr(parts.host, parts.hostEnd - parts.host), host))
            continue;
        const bool www = host.size() == bar.size() + 4 && host.starts_with("www.");
        if (host != bar && !(www && host.ends_with(bar)))
            continue;
        hidden.scheme.clear();
        for (const char32_t c : text.substr(0, parts.colon))
            hidden.scheme += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        hidden.www = www;
        return hidden;
    }
    return hidden;
}

// ---- Punycode (RFC 3492) ----------------------------------------------------------------

constexpr std::uint32_t kBase = 36, kTMin = 1, kTMax = 26, kSkew = 38, kDamp = 700;
constexpr std::uint32_t kInitialBias = 72, kInitialN = 0x80;

std::uint32_t Adapt(std::uint32_t delta, std::uint32_t points, bool first) {
    delta = first ? delta / kDamp : delta / 2;
    delta += delta / points;
    std::uint32_t k = 0;
    while (delta > ((kBase - kTMin) * kTMax) / 2) {
        delta /= kBase - kTMin;
        k += kBase;
    }
    return k + (kBase - kTMin + 1) * delta / (delta + kSkew);
}

char Digit(std::uint32_t d) { return static_cast<char>(d < 26 ? 'a' + d : '0' + (d - 26)); }

} // namespace

std::vector<BrowserWindow> BrowserCandidates(Desktop& desktop) {
    std::vector<BrowserWindow> out;
    desktop.EnumTopLevel([&](WindowHandle window) {
        if (const std::optional<BrowserFamily> family = FamilyOf(desktop, window))
            if (desktop.IsShown(window) && !desktop.IsMinimized(window))
                out.push_back({window, *family});
        return true;
    });
    return out;
}

FrameReading ReadFrame(AccessibleNode& root, BrowserFamily family) {
    Search search{family, {}};
    search.In(root, 0);
    return std::move(search.found);
}

std::optional<std::u16string> FindAddressBar(AccessibleNode& root, BrowserFamily family) {
    return ReadFrame(root, family).bar;
}

std::optional<std::string> Punycode(std::u32string_view label) {
    constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();
    std::string out;
    for (const char32_t c : label)
        if (c < 0x80)
            out += static_cast<char>(c);
    const std::uint32_t basic = static_cast<std::uint32_t>(out.size());
    if (label.size() >= kMax)
        return std::nullopt;
    if (basic > 0)
        out += '-';
    std::uint32_t n = kInitialN, delta = 0, bias = kInitialBias, handled = basic;
    while (handled < label.size()) {
        std::uint32_t m = kMax;
        for (const char32_t c : label)
            if (c >= n && c < m)
                m = c;
        if ((m - n) > (kMax - delta) / (handled + 1))
            return std::nullopt;
        delta += (m - n) * (handled + 1);
        n = m;
        for (const char32_t c : label) {
            if (c < n && ++delta == 0)
                return std::nullopt;
            if (c != n)
                continue;
            std::uint32_t q = delta;
            for (std::uint32_t k = kBase;; k += kBase) {
                const std::uint32_t t = k <= bias ? kTMin : k >= bias + kTMax ? kTMax : k - bias;
                if (q < t)
                    break;
                out += Digit(t + (q - t) % (kBase - t));
                q = (q - t) / (kBase - t);
            }
            out += Digit(q);
            bias = Adapt(delta, handled + 1, handled == basic);
            delta = 0;
            ++handled;
        }
        ++delta;
        ++n;
    }
    return out;
}

std::optional<std::string> AddressFromBar(std::u16string_view value, const TextCodec& codec,
                                          std::span<const std::u16string> pages) {
    std::optional<std::u32string> points = CodePoints(value);
    if (!points)
        return std::nullopt;
    const std::u32string_view text = Trimmed(*points);
    if (text.empty())
        return std::nullopt;
    for (const char32_t c : text)
        if (IsBlank(c))
            return std::nullopt;

    const Parts parts = Split(text);
    const bool hasScheme = parts.colon != std::u32string_view::npos;
    const std::u32string_view host = text.substr(parts.host, parts.hostEnd - parts.host);
    std::string out;
    if (!hasScheme) {
        // What the browser shows without its scheme is a host name first; a user name before
        // it would be an e-mail address, and a port is digits.
        const bool portShown = parts.hostEnd < parts.authorityEnd;
        if (parts.at != std::u32string_view::npos || !LooksLikeHostName(host, portShown))
            return std::nullopt;
        if (portShown) {
            if (parts.hostEnd + 1 == parts.authorityEnd)
                return std::nullopt;
            for (std::size_t k = parts.hostEnd + 1; k < parts.authorityEnd; ++k)
                if (!IsAsciiDigit(text[k]))
                    return std::nullopt;
        }
        const Hidden hidden = HiddenParts(host, pages);
        out += hidden.scheme;
        out += "://";
        if (hidden.www)
            out += "www.";
    }
    AppendOutsideHost(text.substr(0, parts.host), codec, out);
    if (!AppendHost(host, codec, out))
        return std::nullopt;
    AppendOutsideHost(text.substr(parts.hostEnd), codec, out);
    return out;
}

bool WindowsBeingRead::Claim(WindowHandle window) {
    std::lock_guard<std::mutex> lock(mutex_);
    return windows_.insert(window).second;
}

void WindowsBeingRead::Release(WindowHandle window) {
    std::lock_guard<std::mutex> lock(mutex_);
    windows_.erase(window);
}

std::optional<std::string> ReadTodaysBrowser(Desktop& desktop, std::span<Accessibility* const> interfaces,
                                             const TextCodec& codec, WindowsBeingRead& beingRead) {
    for (const BrowserWindow& candidate : BrowserCandidates(desktop)) {
        if (!beingRead.Claim(candidate.window))
            return std::nullopt; // it has not answered an earlier capture: it does not answer
        struct Claimed {
            WindowsBeingRead& beingRead;
            WindowHandle window;
            ~Claimed() { beingRead.Release(window); }
        } claimed{beingRead, candidate.window};
        for (Accessibility* const accessibility : interfaces) {
            const std::unique_ptr<AccessibleNode> root = accessibility->RootOf(candidate.window);
            if (!root)
                continue;
            const FrameReading frame = ReadFrame(*root, candidate.family);
            if (frame.bar)
                return AddressFromBar(*frame.bar, codec, frame.pages); // the front browser's, or nothing
            if (candidate.family == BrowserFamily::Chromium)
                break; // no IAccessible2 after a tree: another program of the same window class
        }
    }
    return std::nullopt;
}

int CaptureBound::BoundMs(Desktop& desktop) {
    bool firstAsked = false;
    for (const BrowserWindow& candidate : BrowserCandidates(desktop))
        firstAsked = asked_.insert(candidate.window).second || firstAsked;
    return firstAsked ? kFirstCaptureBoundMs : kCaptureBoundMs;
}

} // namespace tobrix
