#include "about/About.h"

#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

class FakeAboutView final : public AboutView {
public:
    bool closed = false;
    void Close() override { closed = true; }
};

TEST(About, AddressesOpenAsWebPagesOrNewMail) {
    test::FakeShell shell;
    TfrmAbout about(shell);
    about.lblAddressClick(kAboutHomePage);
    about.lblAddressClick(kAboutMail);
    about.lblAddressClick("HTTP://www.example/"); // capitals: not a web address
    about.lblAddressClick("http:/");               // too short to match
    ASSERT_EQ(shell.opened.size(), 4u);
    EXPECT_EQ(shell.opened[0].first, kAboutHomePage);
    EXPECT_EQ(shell.opened[1].first, "mailto:" + std::string(kAboutMail));
    EXPECT_EQ(shell.opened[2].first, "mailto:HTTP://www.example/");
    EXPECT_EQ(shell.opened[3].first, "mailto:http:/");
    EXPECT_EQ(shell.opened[0].second, Shell::Show::Normal);
}

TEST(About, TheAddressesFitTheClickRule) {
    EXPECT_EQ(kAboutHomePage.substr(0, 7), "http://");
    EXPECT_NE(kAboutMail.substr(0, 7), "http://");
}

TEST(About, OkCloses) {
    test::FakeShell shell;
    FakeAboutView view;
    TfrmAbout about(shell);
    about.Attach(view);
    about.cmdCloseClick();
    EXPECT_TRUE(view.closed);
}

} // namespace
} // namespace tobrix
