#pragma once
// Every service the main window uses, faked; a test fixture derives from it to reach each
// fake by its name.

#include "app/Main.h"
#include "support/FakeFiles.h"
#include "support/FakePlatform.h"
#include "support/FakeRegistry.h"
#include "support/IconvTextCodec.h"

namespace tobrix::test {

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
    IconvTextCodec codec;

    MainServices Services() {
        return {registry, files, messages, sound, desktop, shell, collation, clipboard, help, codec};
    }
};

} // namespace tobrix::test
