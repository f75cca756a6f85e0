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
    return family == BrowserFamily::Chromium ? node.ClassName() == kChromiumAddressBarClass
                                             : node.Id() == kFirefoxAddressBarId;
}

struct Search {
    BrowserFamily family;
    int left = kAddressBarSearchBudget; // objects still to be looked at

    std::optional<std::u16string> In(AccessibleNode& node, int depth) {
        if (left <= 0)
            return std::nullopt;
        --left;
        const int role = node.Role();
        if (role == kRoleDocument)
            return std::nullopt; // a web page: whatever it holds is the page's, not the browser's
        if (role == kRolePageTabList)
            return std::nullopt;
        if (IsAddressBar(node, family))
            return node.Value();
        if (depth >= kAddressBarSearchDepth)
            return std::nullopt;
        for (const std::unique_ptr<AccessibleNode>& child : node.Children()) {
            if (left <= 0)
                break;
            if (!child)
                continue;
            if (std::optional<std::u16string> value = In(*child, depth + 1))
                return value;
        }
        return std::nullopt;
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

// The host as shown when code page 932 holds it, else in its ASCII form: every label with a
// character beyond ASCII in punycode, letters in lower case. Nothing when a label cannot be
// encoded.
bool AppendHost(std::u32string_view host, const TextCodec& codec, std::string& out) {
    bool lossy = false;
    std::string shown = codec.FromUtf16(Utf16(host), lossy);
    if (!lossy) {
        out += shown;
        return true;
    }
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

// A host written without a scheme: at least two labels, of the characters a host name has.
bool LooksLikeHostName(std::u32string_view host) {
    if (host.empty() || host[0] == '.')
        return false;
    for (const char32_t c : host)
        if (c < 0x80 && !IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '-' && c != '.' && c != '_')
            return false;
    const std::size_t dot = host.find(U'.');
    return dot != std::u32string_view::npos && dot + 1 < host.size() && host[dot + 1] != '.';
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

std::optional<std::u16string> FindAddressBar(AccessibleNode& root, BrowserFamily family) {
    Search search{family};
    return search.In(root, 0);
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

std::optional<std::string> AddressFromBar(std::u16string_view value, const TextCodec& codec) {
    std::optional<std::u32string> points = CodePoints(value);
    if (!points)
        return std::nullopt;
    std::u32string_view text = *points;
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    for (const char32_t c : text)
        if (IsBlank(c))
            return std::nullopt;

    const std::size_t colon = SchemeColon(text);
    const bool hasScheme = colon != std::u32string_view::npos;
    const std::size_t authority = hasScheme ? colon + 3 : 0;
    std::size_t authorityEnd = text.find_first_of(U"/?#", authority);
    if (authorityEnd == std::u32string_view::npos)
        authorityEnd = text.size();
    const std::size_t at = text.substr(authority, authorityEnd - authority).rfind(U'@');
    const std::size_t host = at == std::u32string_view::npos ? authority : authority + at + 1;
    std::size_t hostEnd = host;
    if (host < authorityEnd && text[host] == '[') {
        const std::size_t close = text.substr(host, authorityEnd - host).find(U']');
        hostEnd = close == std::u32string_view::npos ? authorityEnd : host + close + 1;
    } else {
        while (hostEnd < authorityEnd && text[hostEnd] != ':')
            ++hostEnd;
    }

    if (!hasScheme) {
        // What the browser shows without its scheme is a host name first; a user name before
        // it would be an e-mail address, and a port is digits.
        if (at != std::u32string_view::npos || !LooksLikeHostName(text.substr(host, hostEnd - host)))
            return std::nullopt;
        if (hostEnd < authorityEnd) {
            if (hostEnd + 1 == authorityEnd)
                return std::nullopt;
            for (std::size_t k = hostEnd + 1; k < authorityEnd; ++k)
                if (!IsAsciiDigit(text[k]))
                    return std::nullopt;
        }
    }

    std::string out;
    if (!hasScheme)
        out += kHiddenScheme;
    AppendOutsideHost(text.substr(0, host), codec, out);
    if (!AppendHost(text.substr(host, hostEnd - host), codec, out))
        return std::nullopt;
    AppendOutsideHost(text.substr(hostEnd), codec, out);
    return out;
}

std::optional<std::string> ReadTodaysBrowser(Desktop& desktop, std::span<Accessibility* const> interfaces,
                                             const TextCodec& codec) {
    for (const BrowserWindow& candidate : BrowserCandidates(desktop)) {
        for (Accessibility* const accessibility : interfaces) {
            const std::unique_ptr<AccessibleNode> root = accessibility->RootOf(candidate.window);
            if (!root)
                continue;
            const std::optional<std::u16string> value = FindAddressBar(*root, candidate.family);
            if (!value)
                continue; // not served this way, or another program of the same window class
            if (std::optional<std::string> address = AddressFromBar(*value, codec))
                return address;
            break; // the bar holds no address: the next window
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
