#pragma once
// The text codec of the native tests: glibc's iconv with its CP932 table, held to what
// Windows' table does. glibc also takes characters whose bytes stand for another character
// (the look-alikes, '¥' as 0x5C); Windows without best fit turns those into '?', and so does
// this codec: a character counts as held only when its bytes read back as itself.

#include "platform/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <optional>
#include <stdexcept>
#include <string>

namespace tobrix::test {

class IconvTextCodec final : public TextCodec {
public:
    IconvTextCodec()
        : to_(Open("CP932", "UTF-16LE")), from_(Open("UTF-16LE", "CP932")), toUtf8_(Open("UTF-8", "CP932")) {}
    ~IconvTextCodec() override {
        iconv_close(to_);
        iconv_close(from_);
        iconv_close(toUtf8_);
    }
    IconvTextCodec(const IconvTextCodec&) = delete;
    IconvTextCodec& operator=(const IconvTextCodec&) = delete;

    std::string FromUtf16(std::u16string_view text, bool& lossy) const override {
        lossy = false;
        const std::string units = Bytes(text);
        if (std::optional<std::string> whole = Run(to_, units); whole && Run(from_, *whole) == units)
            return *whole;
        std::string out;
        for (std::size_t k = 0; k < text.size();) {
            const std::size_t n = text[k] >= 0xD800 && text[k] <= 0xDBFF && k + 1 < text.size() ? 2 : 1;
            const std::string one = Bytes(text.substr(k, n));
            const std::optional<std::string> bytes = Run(to_, one);
            if (bytes && Run(from_, *bytes) == one) {
                out += *bytes;
            } else {
                out += '?';
                lossy = true;
            }
            k += n;
        }
        return out;
    }

    // Unlike Windows, a byte that starts no CP932 character stops the tests here.
    std::string ToUtf8(std::string_view cp932) const override {
        std::optional<std::string> out = Run(toUtf8_, std::string(cp932));
        if (!out)
            throw std::runtime_error("not CP932 text");
        return *out;
    }

private:
    static iconv_t Open(const char* to, const char* from) {
        const iconv_t cd = iconv_open(to, from);
        if (cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("iconv has no CP932");
        return cd;
    }
    static std::string Bytes(std::u16string_view text) {
        std::string out;
        for (char16_t c : text) {
            out.push_back(static_cast<char>(c & 0xFF));
            out.push_back(static_cast<char>(c >> 8));
        }
        return out;
    }
    // Nothing when the input holds something the table lacks.
    static std::optional<std::string> Run(iconv_t cd, std::string in) {
        std::string out(in.size() * 3 + 4, '\0'); // a half-width kana's one byte is three in UTF-8
        char* src = in.data();
        std::size_t srcLeft = in.size();
        char* dst = out.data();
        std::size_t dstLeft = out.size();
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
            if (errno == EILSEQ || errno == EINVAL)
                return std::nullopt;
            throw std::runtime_error("iconv failed");
        }
        out.resize(out.size() - dstLeft);
        return out;
    }

    iconv_t to_;
    iconv_t from_;
    iconv_t toUtf8_;
};

} // namespace tobrix::test
