#include "common/Cp932.h"

#include "common/ByteScan.h"

#include <cstring>

namespace tobrix {

std::size_t CharLength(std::string_view text, std::size_t pos) {
    return IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

std::size_t FindChar(std::string_view text, char c, std::size_t from) {
    // memchr finds candidates; a candidate is the second byte of a character only when the
    // bytes before it since the last certain character start are an odd run of lead-byte
    // values (every lead-byte value can also be a second byte, so only the parity tells).
    while (from < text.size()) {
        const void* hit = std::memchr(text.data() + from, static_cast<unsigned char>(c), text.size() - from);
        if (hit == nullptr)
            return std::string_view::npos;
        const std::size_t pos = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        std::size_t run = 0;
        while (pos - run > from && IsLeadByte(static_cast<unsigned char>(text[pos - run - 1])))
            ++run;
        if (run % 2 == 0)
            return pos;
        from = pos + 1;
    }
    return std::string_view::npos;
}

std::string_view DirectoryPart(std::string_view path) {
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < path.size(); pos += CharLength(path, pos))
        if (path[pos] == '\\' || path[pos] == '/')
            end = pos + 1;
    return path.substr(0, end);
}

std::string_view UntilNul(std::string_view text) {
    if (text.empty())
        return text;
    const void* nul = std::memchr(text.data(), 0, text.size());
    return nul == nullptr ? text : text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
}

namespace {
// The first CR, LF or NUL at or after `from`, or the end of the text.
std::size_t FindLineStop(std::string_view text, std::size_t from) {
    static constexpr unsigned char kStops[] = {'\r', '\n', '\0'};
    const scan::ByteSet stops(kStops, 3);
    const char* const data = text.data();
    std::size_t i = from;
    for (; text.size() - i >= scan::kBlock; i += scan::kBlock)
        if (const scan::Mask m = stops.In(scan::Block(data + i)); m != 0)
            return i + scan::First(m);
    while (i < text.size() && data[i] != '\r' && data[i] != '\n' && data[i] != '\0')
        ++i;
    return i;
}
} // namespace

bool LineReader::Next(std::string_view& line) {
    if (pos_ >= text_.size())
        return false;
    const std::size_t end = FindLineStop(text_, pos_);
    if (end == text_.size() || text_[end] == '\0') {
        text_ = text_.substr(0, end); // the text ends here
        line = text_.substr(pos_);
        pos_ = end;
        return !line.empty();
    }
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n')
        ++pos_;
    return true;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

} // namespace tobrix
