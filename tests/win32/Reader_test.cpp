// The reader's window and the system's code page 932 table, in process.

#include "win32/DlgDialog.h"
#include "win32/Win32TextCodec.h"

#include "common/Error.h"
#include "store/ItemDataList.h"
#include "support/FakeFiles.h"
#include "win32/Encoding.h"

#include <gtest/gtest.h>

namespace tobrix::win32 {
namespace {

HWND ProgressWindow() { return FindWindowW(L"#32770", Widen(kDlgCaption).c_str()); }

TEST(Win32TextCodecTest, NoLookAlikes) {
    const Win32TextCodec codec;
    const struct {
        std::u16string text;
        std::string cp932;
        bool lossy;
    } cases[] = {
        {u"a\u30BD\uFF5E", "a\x83\x5C\x81\x60", false},
        {u"caf\u00E9", "caf?", true},  // best fit would give 'e'
        {u"\u00A5", "?", true},        // and '\'
        {u"\u2212", "?", true},        // and '-'
        {u"\U0001F600", "??", true},   // one default per half of the pair; the reader counts it once
    };
    for (const auto& c : cases) {
        bool lossy = !c.lossy;
        EXPECT_EQ(codec.FromUtf16(c.text, lossy), c.cp932);
        EXPECT_EQ(lossy, c.lossy);
    }
}

TEST(Win32TextCodecTest, Cp932BecomesUtf8WithoutAMark) {
    const Win32TextCodec codec;
    // Kanji, a second byte 0x5C, the backslash itself, a half-width kana, the wave dash.
    const std::u8string utf8 = u8"\u9280\u884C \u8868\\ \uFF76 \uFF5E,\"";
    EXPECT_EQ(codec.ToUtf8("\x8B\xE2\x8D\x73 \x95\x5C\x5C \xB6 \x81\x60,\""),
              std::string(utf8.begin(), utf8.end()));
    EXPECT_EQ(codec.ToUtf8(""), "");
}

// Presses a key in the progress window as soon as the read has the file's text.
class KeyPressingCodec final : public TextCodec {
public:
    explicit KeyPressingCodec(WPARAM key) : key_(key) {}
    std::string FromUtf16(std::u16string_view text, bool& lossy) const override {
        const HWND dialog = ProgressWindow();
        EXPECT_NE(dialog, nullptr);
        EXPECT_TRUE(IsWindowVisible(dialog));
        PostMessageW(GetFocus(), WM_KEYDOWN, key_, 0);
        return Win32TextCodec().FromUtf16(text, lossy);
    }
    std::string ToUtf8(std::string_view cp932) const override { return Win32TextCodec().ToUtf8(cp932); }

private:
    WPARAM key_;
};

TEST(ReaderWindowTest, EnterAndEscPressCancelBetweenLines) {
    for (const WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        test::FakeFiles files;
        files.files.emplace("in.txt", std::string("\xEF\xBB\xBF" "a,1\r\nb,2\r\nc,3\r\n"));
        ItemDataList list;
        const KeyPressingCodec codec(key);
        TfrmDlg dlg(list, false, files, codec);
        // Moved in: GCC 12 warns wrongly (-Wrestrict) about copying a short literal here.
        dlg.FileName = std::string("in.txt");
        dlg.CommaDelim = std::string(",");
        RunReader(nullptr, dlg);
        EXPECT_FALSE(dlg.Running);
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(list.At(0).UserID, "1");
        EXPECT_EQ(ProgressWindow(), nullptr);
    }
}

TEST(ReaderWindowTest, AnErrorReachesTheCallerAfterTheWindowIsGone) {
    test::FakeFiles files;
    ItemDataList list;
    const Win32TextCodec codec;
    TfrmDlg dlg(list, false, files, codec);
    dlg.FileName = "missing.txt";
    std::string message;
    try {
        RunReader(nullptr, dlg);
    } catch (const AppError& e) {
        message = e.Message();
    }
    EXPECT_EQ(message, Substitute(kMsgCannotOpen, "missing.txt"));
    EXPECT_EQ(ProgressWindow(), nullptr);
}

} // namespace
} // namespace tobrix::win32
