#include "editor/UnitGetBrowser.h"

#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

using test::FakeDesktop;

const std::string kKatakanaMarker = "\xb2\xdd\xc0\xb0\xc8\xaf\xc4\x20\xb4\xb8\xbd\xcc\xdf\xdb\xb0\xd7";

struct Capture {
    bool ok;
    std::string url;
};

Capture RunCapture(FakeDesktop& desktop) {
    TGetBrowser capture(desktop);
    const bool ok = capture.Execute();
    return {ok, capture.PageURL};
}

TEST(GetBrowser, AnyMarkerAnywhereInTheTitleQualifies) {
    for (const std::string& title : {std::string("Microsoft Internet Explorer"), std::string("Yahoo! - Netscape"),
                                    "Top page - " + kKatakanaMarker + " (x)"}) {
        FakeDesktop desktop;
        desktop.AddTopLevel("Untitled - Notepad");
        const WindowHandle browser = desktop.AddTopLevel(title);
        desktop.AddChild(browser, "Edit", "http://example.jp/");
        EXPECT_EQ(RunCapture(desktop).url, "http://example.jp/") << title;
    }
}

TEST(GetBrowser, MarkersAreCaseSensitiveButTheEditClassIsNot) {
    FakeDesktop desktop;
    desktop.AddChild(desktop.AddTopLevel("page - netscape"), "Edit", "x");
    EXPECT_FALSE(RunCapture(desktop).ok);

    FakeDesktop mixed;
    mixed.AddChild(mixed.AddTopLevel("Netscape"), "eDiT", "http://mixed/");
    EXPECT_EQ(RunCapture(mixed).url, "http://mixed/");
    FakeDesktop other;
    other.AddChild(other.AddTopLevel("Netscape"), "RichEdit20W", "x"); // not exactly "Edit"
    EXPECT_FALSE(RunCapture(other).ok);
}

TEST(GetBrowser, HelperWindowsAreSkippedAndTheSearchGoesOn) {
    FakeDesktop desktop;
    desktop.AddChild(desktop.AddTopLevel("Netscape Hidden"), "Edit", "http://hidden/");
    desktop.AddChild(desktop.AddTopLevel("NetscapeSlaveWindow"), "Edit", "http://slave/");
    desktop.AddTopLevel(""); // untitled windows are passed over
    desktop.AddChild(desktop.AddTopLevel("Real page - Netscape"), "Edit", "http://real/");
    EXPECT_EQ(RunCapture(desktop).url, "http://real/");
}

TEST(GetBrowser, TheFrontMostBrowserWinsEvenWithoutAnEdit) {
    FakeDesktop desktop;
    desktop.AddChild(desktop.AddTopLevel("A - Microsoft Internet Explorer"), "Edit", "http://front/");
    desktop.AddChild(desktop.AddTopLevel("B - Microsoft Internet Explorer"), "Edit", "http://back/");
    EXPECT_EQ(RunCapture(desktop).url, "http://front/");

    FakeDesktop noEdit;
    noEdit.AddChild(noEdit.AddTopLevel("A - Netscape"), "Button");
    noEdit.AddChild(noEdit.AddTopLevel("B - Netscape"), "Edit", "http://back/");
    const Capture c = RunCapture(noEdit);
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.url, "");
    EXPECT_EQ(noEdit.textRequests, 0);
}

TEST(GetBrowser, TheLastEditInOrderIsTheAddress) {
    FakeDesktop desktop;
    const WindowHandle browser = desktop.AddTopLevel("Netscape");
    desktop.AddChild(browser, "Edit", "search words");
    desktop.AddChild(browser, "ComboBox");
    desktop.AddChild(browser, "Edit", "http://address/");
    desktop.AddChild(browser, "Static", "status");
    EXPECT_EQ(RunCapture(desktop).url, "http://address/");
}

TEST(GetBrowser, ABrowserGoneOrSilentGivesNoCapture) {
    FakeDesktop gone;
    const WindowHandle browser = gone.AddTopLevel("Netscape");
    gone.AddChild(browser, "Edit", "x");
    gone.Get(browser).alive = false;
    EXPECT_FALSE(RunCapture(gone).ok);

    FakeDesktop hung;
    const WindowHandle edit = hung.AddChild(hung.AddTopLevel("Netscape"), "Edit", "http://never/");
    hung.Get(edit).hung = true;
    TGetBrowser capture(hung);
    EXPECT_FALSE(capture.Execute());
    EXPECT_EQ(capture.PageURL, "");

    FakeDesktop none;
    none.AddTopLevel("Untitled - Notepad");
    EXPECT_FALSE(RunCapture(none).ok);
}

TEST(GetBrowser, TitlesAndAddressesAreReadThroughFixedBuffers) {
    FakeDesktop desktop;
    // The marker starts at byte 250 of the title: only 254 bytes are read, so it is cut off.
    desktop.AddChild(desktop.AddTopLevel(std::string(250, 'x') + "Netscape"), "Edit", "http://cut/");
    // Fully inside the first 254 bytes: found.
    const WindowHandle browser = desktop.AddTopLevel(std::string(246, 'x') + "Netscape");
    desktop.AddChild(browser, "Edit", "http://" + std::string(300, 'a'));
    const Capture c = RunCapture(desktop);
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.url.size(), 255u);
    EXPECT_EQ(desktop.titleBufferSizes.front(), 255);
    EXPECT_EQ(desktop.classBufferSizes.front(), 255);
    EXPECT_EQ(desktop.textBufferSizes, std::vector<int>{256});
}

TEST(GetBrowser, AnEmptyAddressIsACapture) {
    FakeDesktop desktop;
    desktop.AddChild(desktop.AddTopLevel("Netscape"), "Edit", "");
    const Capture c = RunCapture(desktop);
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.url, "");
}

} // namespace
} // namespace tobrix
