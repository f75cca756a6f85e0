#include "editor/TodaysBrowser.h"

#include "support/FakePlatform.h"
#include "support/IconvTextCodec.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tobrix {
namespace {

using test::FakeDesktop;

// ---- A made-up accessibility tree -------------------------------------------------------

struct Node {
    std::string label; // the test's own name for the object
    int role = 0;
    std::u16string value;
    std::u16string className;
    std::u16string id;
    std::vector<Node> children;
};

struct Visits {
    int looked = 0;                   // objects whose role was asked
    std::vector<std::string> entered; // objects whose children were asked
};

class TreeNode final : public AccessibleNode {
public:
    TreeNode(const Node& node, Visits& visits) : node_(node), visits_(visits) {}
    int Role() override {
        ++visits_.looked;
        return node_.role;
    }
    std::u16string Value() override { return node_.value; }
    std::u16string ClassName() override { return node_.className; }
    std::u16string Id() override { return node_.id; }
    std::vector<std::unique_ptr<AccessibleNode>> Children() override {
        visits_.entered.push_back(node_.label);
        std::vector<std::unique_ptr<AccessibleNode>> out;
        for (const Node& child : node_.children)
            out.push_back(std::make_unique<TreeNode>(child, visits_));
        return out;
    }

private:
    const Node& node_;
    Visits& visits_;
};

// A tree without end: every object has `width` children, none of them a bar.
class EndlessNode final : public AccessibleNode {
public:
    EndlessNode(int width, Visits& visits) : width_(width), visits_(visits) {}
    int Role() override {
        ++visits_.looked;
        return kRoleText;
    }
    std::u16string Value() override { return u"https://example.com/"; }
    std::u16string ClassName() override { return u"Textfield"; }
    std::u16string Id() override { return u"x"; }
    std::vector<std::unique_ptr<AccessibleNode>> Children() override {
        std::vector<std::unique_ptr<AccessibleNode>> out;
        for (int k = 0; k < width_; ++k)
            out.push_back(std::make_unique<EndlessNode>(width_, visits_));
        return out;
    }

private:
    int width_;
    Visits& visits_;
};

class FakeAccessibility final : public Accessibility {
public:
    std::map<WindowHandle, Node> roots;
    std::vector<WindowHandle> asked;
    Visits visits;
    std::unique_ptr<AccessibleNode> RootOf(WindowHandle window) override {
        asked.push_back(window);
        const auto it = roots.find(window);
        if (it == roots.end())
            return nullptr;
        return std::make_unique<TreeNode>(it->second, visits);
    }
};

// How each family's frame holds its address bar, with a web page beside it.
Node ChromiumFrame(std::u16string address) {
    return {"frame", 9, {}, u"BrowserView", {},
            {{"tabs", kRolePageTabList, {}, u"TabStrip", {}, {{"tab", 37, {}, u"Tab", {}, {}}}},
             {"toolbar", 22, {}, u"ToolbarView", {},
              {{"back", 43, {}, u"BackForwardButton", {}, {}},
               {"location", 0, {}, u"LocationBarView", {},
                {{"omnibox", kRoleText, std::move(address), std::u16string(kChromiumAddressBarClass), {}, {}}}}}},
             {"page", kRoleDocument, {}, {}, {}, {}}}};
}

Node FirefoxFrame(std::u16string address) {
    return {"frame", 14, {}, {}, {},
            {{"page", kRoleDocument, {}, {}, {}, {}},
             {"navbar", 22, {}, {}, u"nav-bar",
              {{"urlbar", 0, {}, {}, u"urlbar",
                {{"input", kRoleText, std::move(address), {}, std::u16string(kFirefoxAddressBarId), {}}}}}}}};
}

std::optional<std::u16string> Find(const Node& root, BrowserFamily family, Visits* visits = nullptr) {
    Visits own;
    TreeNode node(root, visits ? *visits : own);
    return FindAddressBar(node, family);
}

// ---- Which windows ----------------------------------------------------------------------

TEST(TodaysBrowser, CandidatesAreShownBrowserWindowsOfBothFamiliesFrontToBack) {
    FakeDesktop desktop;
    desktop.AddTopLevel("Untitled - Notepad", "Notepad");
    const WindowHandle firefox = desktop.AddTopLevel("", "MozillaWindowClass"); // Firefox needs no title
    desktop.AddTopLevel("", "Chrome_WidgetWin_1");                              // a helper window
    const WindowHandle minimised = desktop.AddTopLevel("A - Google Chrome", "Chrome_WidgetWin_1");
    desktop.Get(minimised).minimised = true;
    const WindowHandle hidden = desktop.AddTopLevel("B - Microsoft Edge", "Chrome_WidgetWin_1");
    desktop.Get(hidden).shown = false; // invisible, or on another virtual desktop
    const WindowHandle edge = desktop.AddTopLevel("C - Microsoft Edge", "Chrome_WidgetWin_1");
    desktop.AddTopLevel("D", "chrome_widgetwin_0");

    EXPECT_EQ(BrowserCandidates(desktop),
              (std::vector<BrowserWindow>{{firefox, BrowserFamily::Firefox}, {edge, BrowserFamily::Chromium}}));
    for (const int size : desktop.classBufferSizes)
        EXPECT_EQ(size, 255);
}

TEST(TodaysBrowser, TheFrontMostWindowWithABarAnswersEvenWithoutAnAddressAndTheOthersArePassedOver) {
    FakeDesktop desktop;
    test::IconvTextCodec codec;
    FakeAccessibility accessibility;
    WindowsBeingRead beingRead;
    const WindowHandle noRoot = desktop.AddTopLevel("", "MozillaWindowClass");
    const WindowHandle electron = desktop.AddTopLevel("Chat", "Chrome_WidgetWin_1"); // no address bar
    accessibility.roots[electron] = {"app", 9, {}, u"Widget", {}, {{"page", kRoleDocument, {}, {}, {}, {}}}};
    const WindowHandle typing = desktop.AddTopLevel("", "MozillaWindowClass");
    const WindowHandle chrome = desktop.AddTopLevel("Shop - Google Chrome", "Chrome_WidgetWin_1");
    accessibility.roots[chrome] = ChromiumFrame(u"shop.example.jp/login");
    const WindowHandle behind = desktop.AddTopLevel("", "MozillaWindowClass");
    accessibility.roots[behind] = FirefoxFrame(u"https://behind.example/");
    Accessibility* const interfaces[] = {&accessibility};

    // A new tab, a search being typed: never a window behind's address, with this entry's password.
    for (const std::u16string value : {u"", u"half typed", u"\u691C\u7D22"}) {
        accessibility.roots[typing] = FirefoxFrame(value);
        accessibility.asked.clear();
        EXPECT_EQ(ReadTodaysBrowser(desktop, interfaces, codec, beingRead), std::nullopt);
        EXPECT_EQ(accessibility.asked, (std::vector<WindowHandle>{noRoot, electron, typing}));
    }
    accessibility.roots.erase(typing);
    EXPECT_EQ(ReadTodaysBrowser(desktop, interfaces, codec, beingRead), "https://shop.example.jp/login");
    accessibility.roots.erase(chrome);
    EXPECT_EQ(ReadTodaysBrowser(desktop, interfaces, codec, beingRead), "https://behind.example/");
    accessibility.roots.erase(behind);
    EXPECT_EQ(ReadTodaysBrowser(desktop, interfaces, codec, beingRead), std::nullopt);
}

TEST(TodaysBrowser, AWindowAnEarlierCaptureStillReadsIsNotAskedAgain) {
    FakeDesktop desktop;
    test::IconvTextCodec codec;
    FakeAccessibility accessibility;
    WindowsBeingRead beingRead;
    const WindowHandle hung = desktop.AddTopLevel("Hung - Google Chrome", "Chrome_WidgetWin_1");
    accessibility.roots[hung] = ChromiumFrame(u"hung.example/");
    accessibility.roots[desktop.AddTopLevel("", "MozillaWindowClass")] = FirefoxFrame(u"https://behind.example/");
    Accessibility* const interfaces[] = {&accessibility};
    ASSERT_TRUE(beingRead.Claim(hung)); // the thread of an earlier capture waits on it
    EXPECT_EQ(ReadTodaysBrowser(desktop, interfaces, codec, beingRead), std::nullopt);
    EXPECT_TRUE(accessibility.asked.empty());
    beingRead.Release(hung);
    EXPECT_EQ(ReadTodaysBrowser(desktop, interfaces, codec, beingRead), "https://hung.example/");
    EXPECT_TRUE(beingRead.Claim(hung)); // the reading gave it back
}

TEST(TodaysBrowser, AFirefoxWindowIsReadThroughTheNextInterfaceAChromiumOneOnlyWithoutATree) {
    test::IconvTextCodec codec;
    WindowsBeingRead beingRead;
    for (const BrowserFamily family : {BrowserFamily::Firefox, BrowserFamily::Chromium}) {
        const bool chromium = family == BrowserFamily::Chromium;
        FakeDesktop desktop;
        FakeAccessibility keysHidden, keysShown;
        const WindowHandle window = desktop.AddTopLevel("A", chromium ? "Chrome_WidgetWin_1" : "MozillaWindowClass");
        keysHidden.roots[window] = {"frame", 9, {}, {}, {}, {{"bar", kRoleText, u"a.example/x", {}, {}, {}}}};
        keysShown.roots[window] = chromium ? ChromiumFrame(u"b.example/y") : FirefoxFrame(u"b.example/y");
        Accessibility* const interfaces[] = {&keysHidden, &keysShown};
        // On Chromium the next one is IAccessible2, which turns on its screen-reader mode.
        EXPECT_EQ(ReadTodaysBrowser(desktop, interfaces, codec, beingRead),
                  chromium ? std::nullopt : std::optional<std::string>("https://b.example/y"));
        keysHidden.roots.erase(window);
        EXPECT_EQ(ReadTodaysBrowser(desktop, interfaces, codec, beingRead), "https://b.example/y");
    }
}

TEST(TodaysBrowser, TheFirstRequestToAWindowMayTakeLonger) {
    FakeDesktop desktop;
    CaptureBound bound;
    EXPECT_EQ(bound.BoundMs(desktop), kCaptureBoundMs); // no browser to wait for
    desktop.AddTopLevel("A - Google Chrome", "Chrome_WidgetWin_1");
    EXPECT_EQ(bound.BoundMs(desktop), kFirstCaptureBoundMs);
    EXPECT_EQ(bound.BoundMs(desktop), kCaptureBoundMs);
    desktop.AddTopLevel("", "MozillaWindowClass");
    EXPECT_EQ(bound.BoundMs(desktop), kFirstCaptureBoundMs);
    EXPECT_EQ(bound.BoundMs(desktop), kCaptureBoundMs);
    EXPECT_EQ(kFirstCaptureBoundMs, 5000);
    EXPECT_EQ(kCaptureBoundMs, 2000);
}

// ---- The tree ---------------------------------------------------------------------------

TEST(TodaysBrowser, EachFamilysBarIsFoundByItsOwnKeyOnly) {
    EXPECT_EQ(Find(ChromiumFrame(u"example.com/"), BrowserFamily::Chromium), u"example.com/");
    EXPECT_EQ(Find(FirefoxFrame(u"https://example.org/"), BrowserFamily::Firefox), u"https://example.org/");
    Node brave = ChromiumFrame(u"brave.example/"); // a browser's own bar derived from Chromium's
    std::u16string& braveClass = brave.children[1].children[1].children[0].className;
    braveClass = u"BraveOmniboxViewViews";
    EXPECT_EQ(Find(brave, BrowserFamily::Chromium), u"brave.example/");
    braveClass = u"OmniboxViewViewsPopup";
    EXPECT_EQ(Find(brave, BrowserFamily::Chromium), std::nullopt);
    // The other family's key is no bar, and a name or a role alone is nothing.
    EXPECT_EQ(Find(ChromiumFrame(u"example.com/"), BrowserFamily::Firefox), std::nullopt);
    EXPECT_EQ(Find(FirefoxFrame(u"https://example.org/"), BrowserFamily::Chromium), std::nullopt);
    const Node textOnly{"frame", 9, {}, {}, {}, {{"edit", kRoleText, u"https://decoy/", u"Textfield", u"url", {}}}};
    EXPECT_EQ(Find(textOnly, BrowserFamily::Chromium), std::nullopt);
    EXPECT_EQ(Find(textOnly, BrowserFamily::Firefox), std::nullopt);
}

TEST(TodaysBrowser, NeitherAWebPageNorTheTabsAreEnteredEvenWhenTheyHoldABar) {
    // The page comes first in the walk and plants both families' keys.
    const Node planted{"bar", kRoleText, u"https://evil.example/", std::u16string(kChromiumAddressBarClass),
                       std::u16string(kFirefoxAddressBarId), {}};
    Node chromium = ChromiumFrame(u"real.example/");
    chromium.children.insert(chromium.children.begin(), {"page", kRoleDocument, {}, {}, {}, {planted}});
    Node firefox = FirefoxFrame(u"https://real.example/");
    firefox.children[0].children.push_back(planted);
    firefox.children.insert(firefox.children.begin(),
                            {"tabs", kRolePageTabList, {}, {}, u"tabbrowser-tabs", {planted}});

    Visits visits;
    EXPECT_EQ(Find(chromium, BrowserFamily::Chromium, &visits), u"real.example/");
    EXPECT_EQ(Find(firefox, BrowserFamily::Firefox, &visits), u"https://real.example/");
    for (const std::string& entered : visits.entered) {
        EXPECT_NE(entered, "page");
        EXPECT_NE(entered, "tabs");
    }

    // A frame that is itself a document (a program showing only a page) gives nothing.
    Node page = planted;
    page.role = kRoleDocument;
    EXPECT_EQ(Find(page, BrowserFamily::Chromium), std::nullopt);
}

TEST(TodaysBrowser, TheWalkEndsInAnEndlessTree) {
    Visits wide;
    EndlessNode root(10, wide);
    EXPECT_EQ(FindAddressBar(root, BrowserFamily::Chromium), std::nullopt);
    EXPECT_EQ(wide.looked, kAddressBarSearchBudget);

    // A deep chain with the bar far below the depth limit.
    Node chain{"bar", kRoleText, u"https://deep.example/", std::u16string(kChromiumAddressBarClass), {}, {}};
    for (int depth = 0; depth < 1000; ++depth)
        chain = Node{"level", 0, {}, {}, {}, {std::move(chain)}};
    Visits deep;
    EXPECT_EQ(Find(chain, BrowserFamily::Chromium, &deep), std::nullopt);
    EXPECT_EQ(deep.looked, kAddressBarSearchDepth + 1);
}

// ---- The address ------------------------------------------------------------------------

class AddressTest : public ::testing::Test {
protected:
    std::optional<std::string> From(std::u16string_view value) { return AddressFromBar(value, codec); }
    test::IconvTextCodec codec;
};

TEST_F(AddressTest, AShownSchemeIsKeptAndAHiddenOneIsHttps) {
    EXPECT_EQ(From(u"http://example.com/a?b=c#d"), "http://example.com/a?b=c#d");
    EXPECT_EQ(From(u"ftp://files.example/"), "ftp://files.example/");
    EXPECT_EQ(From(u"http://intranet/"), "http://intranet/"); // with a scheme, no dot is needed
    EXPECT_EQ(From(u"example.com"), "https://example.com");
    EXPECT_EQ(From(u" \t www.example.co.jp/login?next=%2F\u3000"), "https://www.example.co.jp/login?next=%2F");
    EXPECT_EQ(From(u"example.com:8443/x"), "https://example.com:8443/x");
    EXPECT_EQ(From(u"HTTPS://User:pw@Example.com/"), "HTTPS://User:pw@Example.com/"); // as shown
    EXPECT_EQ(From(u"localhost:8080/admin"), "https://localhost:8080/admin"); // one word, with a port
}

TEST_F(AddressTest, AHiddenSchemeAndWwwComeFromThePageWhoseHostIsTheBars) {
    // The bar's host against each page's, the first that matches; any other page leaves the bar's rule.
    const struct { std::u16string bar; std::vector<std::u16string> pages; std::string address; } cases[] = {
        {u"example.com/login", {u"http://www.example.com/login"}, "http://www.example.com/login"},
        {u"Example.com/a", {u"HTTP://EXAMPLE.COM/a"}, "http://Example.com/a"},
        {u"localhost:8080/", {u"http://localhost:8080/"}, "http://localhost:8080/"},
        {u"\u65E5\u672C\u8A9E.jp/", {u"http://xn--wgv71a119e.jp/"}, "http://\x93\xFA\x96\x7B\x8C\xEA.jp/"},
        {u"example.com/", {u"https://side.example/", u"http://example.com/"}, "http://example.com/"},
        {u"example.com/", {u"http://example.org/"}, "https://example.com/"},
        {u"example.com/", {u"about:blank", u"http://mail.example.com/"}, "https://example.com/"},
        {u"www.example.com/", {u"http://example.com/"}, "https://www.example.com/"},
        {u"https://example.com/", {u"http://www.example.com/"}, "https://example.com/"}, // shown: the bar's
    };
    for (const auto& c : cases)
        EXPECT_EQ(AddressFromBar(c.bar, codec, c.pages), c.address) << std::string(c.address);
}

TEST_F(AddressTest, WhatIsNoAddressIsRefused) {
    const std::u16string_view values[] = {
        u"", u"  \u3000 ", u"search words", u"https://example.com/a b", u"hello", u"about:blank",
        u"mailto:someone@example.com", u"someone@example.com", u"javascript:alert(1)", u"example.com:http",
        u"example.com:", u"localhost:", u"localhost:x", u".com", u"example.", u"a..b", u"exa!mple.com",
        u"\xD800" u"example.com",
    };
    for (std::size_t k = 0; k < std::size(values); ++k)
        EXPECT_EQ(From(values[k]), std::nullopt) << "value " << k;
}

TEST_F(AddressTest, OnlyWhatCodePage932CannotHoldIsPercentEncodedOutsideTheHost) {
    // Japanese stays as CP932, an existing %xx stays, the euro sign, Hangul and an emoji become
    // their UTF-8 bytes.
    EXPECT_EQ(From(u"https://example.com/\u691C\u7D22?q=%E2%82%AC&r=\u20AC#\uD55C"),
              "https://example.com/\x8C\x9F\x8D\xF5?q=%E2%82%AC&r=%E2%82%AC#%ED%95%9C");
    EXPECT_EQ(From(u"example.com/\U0001F600"), "https://example.com/%F0%9F%98%80");
    EXPECT_EQ(From(u"https://\u00FC:p@example.com/"), "https://%C3%BC:p@example.com/"); // a user name is no host
    // Look-alikes are other characters than the code page 932 ones: they are encoded too.
    EXPECT_EQ(From(u"https://example.com/\u301C"), "https://example.com/%E3%80%9C");
}

TEST_F(AddressTest, AHostCodePage932CanHoldStaysAsShownAnyOtherBecomesPunycode) {
    EXPECT_EQ(From(u"\u65E5\u672C\u8A9E.jp/\u00FC"), "https://\x93\xFA\x96\x7B\x8C\xEA.jp/%C3%BC");
    EXPECT_EQ(From(u"https://M\u00FCnchen.Example.de:8080/"), "https://xn--mnchen-3ya.example.de:8080/");
    // Every label beyond ASCII is in punycode once the host is, those code page 932 holds too.
    EXPECT_EQ(From(u"\u00FC.\u65E5\u672C.jp"), "https://xn--tda.xn--wgv71a.jp");
    EXPECT_EQ(From(u"http://\u20AC.example/\u20AC"), "http://xn--lzg.example/%E2%82%AC");
}

TEST(Punycode, EncodesTheSamplesOfItsDefinition) {
    const struct {
        std::u32string label;
        std::string encoded;
    } samples[] = {
        {U"\u0644\u064A\u0647\u0645\u0627\u0628\u062A\u0643\u0644\u0645\u0648\u0634\u0639\u0631\u0628\u064A\u061F",
         "egbpdaj6bu4bxfgehfvwxn"},
        {U"\u306A\u305C\u307F\u3093\u306A\u65E5\u672C\u8A9E\u3092\u8A71\u3057\u3066\u304F\u308C\u306A\u3044\u306E"
         U"\u304B",
         "n8jok5ay5dzabd5bym9f0cm5685rrjetr6pdxa"},
        {U"3\u5E74B\u7D44\u91D1\u516B\u5148\u751F", "3B-ww4c5e180e575a65lsy2b"},
        {U"\u5B89\u5BA4\u5948\u7F8E\u6075-with-SUPER-MONKEYS", "-with-SUPER-MONKEYS-pc58ag80a8qai00g7n9n"},
        {U"\u3072\u3068\u3064\u5C4B\u6839\u306E\u4E0B2", "2-u9tlzr9756bt3uc0v"},
        {U"Maji\u3067Koi\u3059\u308B5\u79D2\u524D", "MajiKoi5-783gue6qz075azm5e"},
        {U"-> $1.00 <-", "-> $1.00 <--"},
        {U"\U0001F600", "e28h"},
    };
    for (const auto& sample : samples)
        EXPECT_EQ(Punycode(sample.label), sample.encoded);
}

} // namespace
} // namespace tobrix
