#pragma once
// The text codec of the native tests: glibc's iconv with its CP932 table.

#include "platform/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#include <string>

namespace tobrix::test {

class IconvTextCodec final : public TextCodec {
public:
    IconvTextCodec() : cd_(iconv_open("CP932", "UTF-16LE")) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("iconv has no CP932");
    }
    ~IconvTextCodec() override { iconv_close(cd_); }
    IconvTextCodec(const IconvTextCodec&) = delete;
    IconvTextCodec& operator=(const IconvTextCodec&) = delete;

    std::string FromUtf16(std::u16string_view text, bool& lossy) const override {
        lossy = false;
        std::string in;
        for (char16_t c : text) {
            in.push_back(static_cast<char>(c & 0xFF));
            in.push_back(static_cast<char>(c >> 8));
        }
        std::string out(text.size() * 2 + 4, '\0');
        char* src = in.data();
        std::size_t srcLeft = in.size();
        char* dst = out.data();
        std::size_t dstLeft = out.size();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        while (srcLeft > 0) {
            if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1))
                break;
            if (errno != EILSEQ)
                throw std::runtime_error("iconv failed");
            // A character the table lacks: one '?', then on after it (a pair is one).
            const auto unit = static_cast<unsigned>(static_cast<unsigned char>(src[0]) |
                                                    static_cast<unsigned char>(src[1]) << 8);
            const std::size_t skip = unit >= 0xD800 && unit <= 0xDBFF && srcLeft >= 4 ? 4 : 2;
            src += skip;
            srcLeft -= skip;
            *dst++ = '?';
            --dstLeft;
            lossy = true;
        }
        out.resize(out.size() - dstLeft);
        return out;
    }

private:
    iconv_t cd_;
};

} // namespace tobrix::test
