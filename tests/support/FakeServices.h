#pragma once
// Every service the main window uses, faked; a test fixture derives from it to reach each
// fake by its name.

#include "app/Main.h"
#include "support/FakeCrypto.h"
#include "support/FakeFiles.h"
#include "support/FakePlatform.h"
#include "support/FakeRegistry.h"
#include "platform/TextCodec.h"

namespace tobrix::test {

// For tests that read no Unicode file: ASCII passes, anything else becomes '?'.
class AsciiTextCodec final : public TextCodec {
public:
    std::string FromUtf16(std::u16string_view text, bool& lossy) const override {
        std::string out;
        for (const char16_t c : text) {
            lossy = lossy || c > 0x7F;
            out += c > 0x7F ? '?' : static_cast<char>(c);
        }
        return out;
    }
    std::string ToUtf8(std::string_view cp932) const override {
        std::string out;
        for (const char c : cp932)
            out += static_cast<unsigned char>(c) > 0x7F ? '?' : c;
        return out;
    }
};

struct FakeServices {
    FakeRegistry registry;
    FakeFiles files;
    FakeMessages messages;
    FakeSound sound;
    FakeDesktop desktop;
    FakeShell shell;
    ByteCollation collation;
    FakeClipboard clipboard;
    FakeHelp help;
    AsciiTextCodec codec;
    FakeCrypto crypto;
    FakeBrowserAddressReader browserAddress;
    FakeClock clock;

    MainServices Services() {
        return {registry, files, messages, sound, desktop, shell, collation, clipboard, help, codec, crypto,
                browserAddress, clock};
    }
};

} // namespace tobrix::test
