// The about box in process, and the colours that give way to high contrast: a timer plays the
// user inside the box's own message loop.

#include "win32/AboutDialog.h"

#include "support/FakePlatform.h"
#include "win32/HighContrast.h"
#include "win32/ShownDialog.h"
#include "win32/TestSupport.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tobrix::win32 {
namespace {

TEST(HighContrast, OwnColoursGiveWayToTheSystemsOfTheirKindOnlyWhenItIsOn) {
    const COLORREF own = RGB(0, 0, 255);
    const std::pair<TextKind, int> kinds[] = {
        {TextKind::Link, COLOR_HOTLIGHT}, {TextKind::DialogText, COLOR_BTNTEXT}, {TextKind::FieldText, COLOR_WINDOWTEXT}};
    for (const auto& [kind, system] : kinds) {
        EXPECT_EQ(TextColor(kind, own, false), own) << system;
        EXPECT_EQ(TextColor(kind, own, true), GetSysColor(system)) << system;
    }
}

// Each tick of the timer runs the next step once the box is open; the box is found by its class.
std::vector<std::function<void(HWND)>> g_steps;
std::size_t g_step = 0;

void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = ShownDialog();
    if (dialog == nullptr)
        return; // not open yet
    if (g_step == g_steps.size()) {
        KillTimer(nullptr, timer);
        ADD_FAILURE() << "the box is still open";
        EndDialog(dialog, IDCANCEL);
        return;
    }
    g_steps[g_step++](dialog);
}

// A key pressed on the focused control, through the box's own message loop.
void Press(HWND dialog, int id, WPARAM key) {
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
    PostMessageW(GetDlgItem(dialog, id), WM_KEYDOWN, key, 1);
    PostMessageW(GetDlgItem(dialog, id), WM_KEYUP, key, 1 | (LPARAM(3) << 30));
}

TEST(AboutDialog, TheAddressesAreLinksAfterOkInTheTabOrderThatEnterOpens) {
    constexpr int kHomePage = 1207, kMail = 1208, kHidden = 1209;
    test::FakeShell shell;
    TfrmAbout about(shell);
    AboutDialog box(about);
    test::ReportTaker owner; // fails the test on an error of the box's
    g_step = 0;
    g_steps = {
        [&](HWND dialog) {
            // Button1, out of sight, holds the focus; then OK, then the two addresses.
            const HWND button1 = GetDlgItem(dialog, kHidden);
            EXPECT_EQ(GetFocus(), button1);
            std::vector<int> order;
            for (HWND at = GetNextDlgTabItem(dialog, button1, FALSE); at != button1 && order.size() < 8;
                 at = GetNextDlgTabItem(dialog, at, FALSE))
                order.push_back(GetDlgCtrlID(at));
            EXPECT_EQ(order, (std::vector<int>{IDOK, kHomePage, kMail}));
            wchar_t name[16] = {};
            GetClassNameW(GetDlgItem(dialog, kMail), name, 16);
            EXPECT_STREQ(name, WC_LINK);
            EXPECT_EQ(SendMessageW(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));

            // The addresses' text colour: the program's blue, or the system's link colour.
            const HDC dc = CreateCompatibleDC(nullptr);
            SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, kHomePage)));
            EXPECT_EQ(GetTextColor(dc), HighContrastOn() ? GetSysColor(COLOR_HOTLIGHT) : RGB(0, 0, 255));
            DeleteDC(dc);
            Press(dialog, kHomePage, VK_RETURN);
        },
        [&](HWND dialog) { Press(dialog, kMail, VK_RETURN); },
        [&](HWND dialog) {
            EXPECT_TRUE(IsWindow(dialog)); // opening an address leaves the box open
            Press(dialog, IDOK, VK_RETURN);
        },
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, &Tick);
    box.Run(owner.Handle());
    KillTimer(nullptr, timer);
    EXPECT_EQ(g_step, g_steps.size());
    EXPECT_EQ(shell.opened, (std::vector<std::pair<std::string, Shell::Show>>{
                                {"http://www.quarda.example/tobrix/", Shell::Show::Normal},
                                {"mailto:tobrix@quarda.example", Shell::Show::Normal}}));
}

} // namespace
} // namespace tobrix::win32
