#include "app/AddressToOpen.h"

#include "common/Cp932.h"

namespace tobrix {

namespace {

constexpr std::size_t npos = std::string_view::npos;

AddressToOpen Refused(std::string_view why) { return {{}, why}; }

bool IsSlash(char c) { return c == '/' || c == '\\'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Control characters and the space: never the second byte of a character, so the ends can be
// trimmed byte by byte.
bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlankByte(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlankByte(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsDrivePath(std::string_view path) {
    return path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' && IsSlash(path[2]);
}

// A drive path opens when it names an HTML page; the shell hands that to the browser.
AddressToOpen LocalFile(std::string_view path) {
    // A colon past the drive's names an alternate stream of some other file.
    if (FindChar(path, ':', 2) != npos)
        return Refused(kMsgNotHtmlFile);
    const std::string_view name = path.substr(DirectoryPart(path).size());
    std::size_t dot = npos;
    for (std::size_t pos = 0; pos < name.size(); pos += CharLength(name, pos))
        if (name[pos] == '.')
            dot = pos;
    const std::string_view extension = dot == npos ? std::string_view() : name.substr(dot + 1);
    if (!EqualsIgnoringAsciiCase(extension, "htm") && !EqualsIgnoringAsciiCase(extension, "html"))
        return Refused(kMsgNotHtmlFile);
    std::string target(path);
    for (char& c : target) // a "/" is never the second byte of a character
        if (c == '/')
            c = '\\';
    return {target, {}};
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The "%20" escapes of a file address as a browser writes it. Only printable ASCII is decoded:
// other escapes stand for UTF-8 bytes, which are no part of a code page 932 path.
bool DecodeEscapes(std::string_view text, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        const int value = high * 16 + low;
        if (low < 0 || value < 0x20 || value > 0x7E)
            return false;
        out += static_cast<char>(value);
        i += 2;
    }
    return true;
}

// After "file:": "///C:/x.html" is a local page; a host name, or a network path after an
// empty one, is another computer.
AddressToOpen FileAddress(std::string_view rest) {
    std::size_t slashes = 0;
    while (slashes < rest.size() && IsSlash(rest[slashes]))
        ++slashes;
    std::string path;
    if (DecodeEscapes(rest.substr(slashes), path) && slashes <= 3 && IsDrivePath(path))
        return LocalFile(path);
    if (slashes == 2 || slashes >= 4)
        return Refused(kMsgNetworkAddress);
    return Refused(kMsgNotAnAddress);
}

// "example.com/login": a dot before any slash, and nothing that a path or another scheme
// would have.
bool IsBareHost(std::string_view text) {
    const std::size_t dot = FindChar(text, '.');
    if (dot == npos || dot > FindChar(text, '/'))
        return false;
    for (std::size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) {
        if (text.substr(pos, 2) == "\x81\x40") // the full-width blank
            return false;
        const char c = text[pos];
        if (IsBlankByte(c) || c == '\\' || c == ':')
            return false;
    }
    return true;
}

} // namespace

AddressToOpen AddressFor(std::string_view url) {
    const std::string_view text = TrimBlanks(url);
    for (const std::string_view scheme : {"http://", "https://", "ftp://", "mailto:"})
        if (StartsWithIgnoringAsciiCase(text, scheme))
            return {std::string(text), {}};
    if (StartsWithIgnoringAsciiCase(text, "www."))
        return {"http://" + std::string(text), {}};
    if (StartsWithIgnoringAsciiCase(text, "file:"))
        return FileAddress(text.substr(5));
    if (text.size() >= 2 && IsSlash(text[0]) && IsSlash(text[1]))
        return Refused(kMsgNetworkAddress);
    if (IsDrivePath(text))
        return LocalFile(text);
    if (IsBareHost(text))
        return {"http://" + std::string(text), {}};
    return Refused(kMsgNotAnAddress);
}

} // namespace tobrix
