// The windows laid out at the screen's DPI, run once per DPI: CTest gives this program the DPI
// the prefix's screen was set to in TOBRIX_TEST_DPI. Every dialog is opened by the command the
// user would choose (or by its presenter where no command opens it alone); a timer looks at it
// from inside its message loop.

#include "win32/MainWindow.h"

#include "e2e/probe/Utf8.h"
#include "lock/MasterPassword.h"
#include "store/Columns.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "store/Protected.h"
#include "support/FakeServices.h"
#include "support/Scramble.h"
#include "transfer/Dlg.h"
#include "transfer/Preview.h"
#include "win32/DlgDialog.h"
#include "win32/Dpi.h"
#include "win32/Encoding.h"
#include "win32/PasswordDialog.h"
#include "win32/PreviewDialog.h"
#include "win32/ShownDialog.h"
#include "win32/TextOpenDialog.h"
#include "win32/Win32Platform.h"
#include "win32/Win32Files.h"
#include "win32/resource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace tobrix::win32 {
namespace {

int TestDpi() {
    const char* dpi = std::getenv("TOBRIX_TEST_DPI");
    return dpi != nullptr ? std::atoi(dpi) : 96;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

RECT RectIn(HWND child, HWND parent) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int FontHeight(HWND control) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW log{};
    return font != nullptr && GetObjectW(font, sizeof log, &log) == sizeof log ? std::abs(log.lfHeight) : 0;
}

int IconWidth(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

// The room a caption takes in the control's font (a mnemonic's & takes none); `width` wraps.
SIZE Extent(HWND control, const std::wstring& text, int width = 0) {
    HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT r{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | (width > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {r.right - r.left, r.bottom - r.top};
}

// Why a control's caption does not fit it, or nothing.
std::string CaptionMisfit(HWND control, int dpi) {
    const std::wstring text = TextOf(control);
    const std::wstring cls = ClassOf(control);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (text.empty() || (lstrcmpiW(cls.c_str(), WC_BUTTONW) != 0 && lstrcmpiW(cls.c_str(), WC_STATICW) != 0))
        return {};
    RECT r{};
    GetClientRect(control, &r);
    const SIZE line = Extent(control, text);
    int room = r.right;
    if (lstrcmpiW(cls.c_str(), WC_STATICW) == 0) {
        if ((style & SS_TYPEMASK) == SS_ICON)
            return {};
        if (r.bottom >= 2 * line.cy) // a text of several lines: wrapped, it must fit in height
            return Extent(control, text, r.right).cy <= r.bottom ? std::string() : "too many lines";
    } else {
        switch (style & BS_TYPEMASK) {
        case BS_GROUPBOX: room -= ScaleForDpi(16, dpi); break; // the caption is set into the frame
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
        case BS_3STATE:
        case BS_AUTO3STATE:
            // The box or circle, and the gap to the caption.
            room -= SystemMetricForDpi(SM_CXMENUCHECK, dpi) + ScaleForDpi(4, dpi);
            break;
        default: room -= ScaleForDpi(8, dpi); break; // a push button's edges
        }
    }
    if (line.cx > room || line.cy > r.bottom)
        return "needs " + std::to_string(line.cx) + "x" + std::to_string(line.cy) + ", has " + std::to_string(room) +
               "x" + std::to_string(r.bottom);
    return {};
}

bool IsGroupBox(HWND control) {
    return lstrcmpiW(ClassOf(control).c_str(), WC_BUTTONW) == 0 &&
           (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool Contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Every visible control of `window` inside its client area, none over another (but a group
// box round its contents), each caption fitting its control, the fonts at `dpi`.
void ExpectLaidOut(HWND window, int dpi, const char* name) {
    SCOPED_TRACE(std::string(name) + " at " + std::to_string(dpi) + " DPI");
    RECT client{};
    GetClientRect(window, &client);
    std::vector<HWND> controls;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT r = RectIn(child, window);
        // A button parked left of the area takes the focus unseen.
        if (IsWindowVisible(child) && r.right > 0)
            controls.push_back(child);
    }
    ASSERT_FALSE(controls.empty());
    const int fontHeights[] = {ScaleForDpi(12, dpi), ScaleForDpi(13, dpi)};
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const HWND c = controls[i];
        const RECT r = RectIn(c, window);
        const std::string id = "control " + std::to_string(GetDlgCtrlID(c)) + " " + Utf8(TextOf(c));
        EXPECT_TRUE(Contains(client, r)) << id << " at " << r.left << "," << r.top << "-" << r.right << ","
                                         << r.bottom << " outside 0,0-" << client.right << "," << client.bottom;
        EXPECT_EQ(CaptionMisfit(c, dpi), "") << id;
        const bool picture = lstrcmpiW(ClassOf(c).c_str(), WC_STATICW) == 0 &&
                             (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        if (!picture && lstrcmpiW(ClassOf(c).c_str(), UPDOWN_CLASSW) != 0) {
            const int height = FontHeight(c);
            EXPECT_TRUE(height == fontHeights[0] || height == fontHeights[1]) << id << " font " << height;
        }
        for (std::size_t k = i + 1; k < controls.size(); ++k) {
            const RECT other = RectIn(controls[k], window);
            RECT common{};
            if (!IntersectRect(&common, &r, &other))
                continue;
            const bool framed =
                (IsGroupBox(c) && Contains(r, other)) || (IsGroupBox(controls[k]) && Contains(other, r));
            EXPECT_TRUE(framed) << id << " overlaps control " << GetDlgCtrlID(controls[k]) << " "
                                << Utf8(TextOf(controls[k]));
        }
    }
}

// Moves the dialog to a monitor of `dpi` as Windows would: WM_DPICHANGED with the rectangle
// the dialog's client area takes there. Returns that rectangle.
RECT SendDpiChange(HWND window, int from, int to) {
    RECT client{}, frame{};
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    RECT suggested{0, 0, MulDiv(client.right, to, from), MulDiv(client.bottom, to, from)};
    AdjustWindowRectEx(&suggested, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), GetMenu(window) != nullptr,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    OffsetRect(&suggested, frame.left + 10 - suggested.left, frame.top + 20 - suggested.top);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    return suggested;
}

void ExpectAt(HWND window, const RECT& expected) {
    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, expected.left);
    EXPECT_EQ(r.top, expected.top);
    EXPECT_EQ(r.right, expected.right);
    EXPECT_EQ(r.bottom, expected.bottom);
}

// ---- running a modal dialog --------------------------------------------------------------------

std::function<void(HWND)> g_visit; // what the timer does once the dialog shows

void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = ShownDialog();
    if (dialog == nullptr)
        return; // not open yet
    KillTimer(nullptr, timer);
    const auto visit = std::move(g_visit);
    visit(dialog);
}

// Runs `open`, which shows a modal dialog, and `visit` inside it; `visit` closes it.
void Visit(const std::function<void()>& open, const std::function<void(HWND)>& visit) {
    bool visited = false;
    g_visit = [&](HWND dialog) {
        visited = true;
        visit(dialog);
    };
    SetTimer(nullptr, 0, 20, &Tick);
    open();
    EXPECT_TRUE(visited);
}

void Cancel(HWND dialog) { EndDialog(dialog, IDCANCEL); }

class DpiLayoutTest : public ::testing::Test, protected test::FakeServices {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        ItemList.Clear();
        Settings = {};
    }
    void TearDown() override {
        window.reset();
        ItemList.Clear();
        // The main window's end asks the message loop to end: no later dialog may see that.
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    HWND Open(int entries = 0) {
        std::string data;
        for (int i = 0; i < entries; ++i)
            data += "t" + std::to_string(i) + "\x08u\x08p\x08\x08\r\n";
        files.files[ChangeFileExt(kExe, ".DAT").string()] = test::Scramble(data);
        window = std::make_unique<MainWindow>(GetModuleHandleW(nullptr), Services(), main, FilePath(kExe));
        EXPECT_TRUE(window->Create(SW_HIDE));
        return window->Handle();
    }
    void Command(CommandId id) { SendMessageW(window->Handle(), WM_COMMAND, static_cast<WPARAM>(id), 0); }
    std::string Stored(const std::string& name) { return registry.sections[std::string(kSettingSection)][name].text; }
    void Store(const std::string& name, const std::string& value) {
        registry.SetText(std::string(kSettingSection), name, value);
    }

    static constexpr const wchar_t* kExe = L"C:\\Tobrix\\Tobrix.exe";
    const int dpi = TestDpi();
    OwnerWindow main;
    std::unique_ptr<MainWindow> window;
};

TEST_F(DpiLayoutTest, TheTestRunsAtTheDpiItWasGiven) {
    const HWND hwnd = Open();
    EXPECT_EQ(WindowDpi(hwnd), dpi);
    EXPECT_EQ(ScreenDpi(), dpi);
}

// The other DPI a window is moved to in the tests of WM_DPICHANGED.
int OtherDpi(int dpi) { return dpi == 192 ? 96 : 192; }

TEST_F(DpiLayoutTest, TheEditorIsLaidOutAtTheDpiAndAgainWhenItChanges) {
    const HWND hwnd = Open();
    Visit([&] { Command(CommandId::actNew); },
          [&](HWND dialog) {
              ExpectLaidOut(dialog, dpi, "editor");
              const RECT suggested = SendDpiChange(dialog, dpi, OtherDpi(dpi));
              ExpectAt(dialog, suggested);
              ExpectLaidOut(dialog, OtherDpi(dpi), "editor moved");
              Cancel(dialog);
          });
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(DpiLayoutTest, TheImportOptionsFitAtTheDpiAndAfterAChange) {
    Open();
    Visit([&] { Command(CommandId::mnuInport); },
          [&](HWND dialog) {
              ExpectLaidOut(dialog, dpi, "import options");
              SendDpiChange(dialog, dpi, OtherDpi(dpi));
              ExpectLaidOut(dialog, OtherDpi(dpi), "import options moved");
              // The number field's arrows stay right beside it.
              const HWND arrows = FindWindowExW(dialog, nullptr, UPDOWN_CLASSW, nullptr);
              const HWND field = reinterpret_cast<HWND>(SendMessageW(arrows, UDM_GETBUDDY, 0, 0));
              ASSERT_NE(field, nullptr);
              EXPECT_NEAR(RectIn(arrows, dialog).left, RectIn(field, dialog).right, 1);
              EXPECT_NEAR(RectIn(arrows, dialog).top, RectIn(field, dialog).top, 1);
              Cancel(dialog);
          });
}

TEST_F(DpiLayoutTest, TheExportAboutAndMasterPasswordDialogsFit) {
    Open(2);
    const struct {
        CommandId command;
        const char* name;
    } dialogs[] = {
        {CommandId::mnuExport, "export"},
        {CommandId::actAbout, "about"},
        {CommandId::mnuMasterPassword, "master password"},
    };
    for (const auto& d : dialogs)
        Visit([&] { Command(d.command); },
              [&](HWND dialog) {
                  ExpectLaidOut(dialog, dpi, d.name);
                  if (d.command == CommandId::actAbout) {
                      // The program's icon is made again at the new DPI.
                      SendDpiChange(dialog, dpi, OtherDpi(dpi));
                      HICON icon = nullptr;
                      for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr && icon == nullptr;
                           c = GetWindow(c, GW_HWNDNEXT))
                          icon = reinterpret_cast<HICON>(SendMessageW(c, STM_GETICON, 0, 0));
                      EXPECT_EQ(IconWidth(icon), ScaleForDpi(32, OtherDpi(dpi)));
                  }
                  Cancel(dialog);
              });
}

TEST_F(DpiLayoutTest, ThePasswordQuestionsFit) {
    const HWND owner = Open(2);
    // At start, for a protected file.
    TfrmPassword prompt(crypto, messages, "");
    Visit([&] { PasswordDialog(prompt).Run(owner); },
          [&](HWND dialog) {
              ExpectLaidOut(dialog, dpi, "password at start");
              Cancel(dialog);
          });
    // Before the password CSV export, once a master password is set.
    messages.answer = true; // yes, the password will not be forgotten
    Visit([&] { Command(CommandId::mnuMasterPassword); },
          [&](HWND dialog) {
              for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
                  if ((GetWindowLongW(c, GWL_STYLE) & ES_PASSWORD) != 0 && IsWindowEnabled(c))
                      SetWindowTextW(c, L"secret");
              SendMessageW(dialog, WM_COMMAND, IDOK, 0);
              if (IsWindowVisible(dialog)) { // a dialog that ends hides at once
                  ADD_FAILURE() << "the master password was refused";
                  Cancel(dialog);
              }
          });
    Visit([&] { Command(CommandId::mnuPasswordCsvExport); },
          [&](HWND dialog) {
              ExpectLaidOut(dialog, dpi, "password before the export");
              Cancel(dialog);
          });
}

TEST_F(DpiLayoutTest, ThePreviewAndTheReaderFitAndThePreviewsColumnsFollowTheDpi) {
    const HWND owner = Open();
    ItemDataList read;
    read.AppendNew().Title = "t";
    TfrmPreview preview(read, "line one\r\nline two");
    Visit([&] { PreviewDialog(preview).Run(owner); },
          [&](HWND dialog) {
              ExpectLaidOut(dialog, dpi, "preview");
              const HWND list = FindWindowExW(dialog, nullptr, WC_LISTVIEWW, nullptr);
              EXPECT_EQ(ListView_GetColumnWidth(list, 0), ScaleForDpi(kDesignColumnWidths[0], dpi));
              SendDpiChange(dialog, dpi, OtherDpi(dpi));
              ExpectLaidOut(dialog, OtherDpi(dpi), "preview moved");
              EXPECT_NEAR(ListView_GetColumnWidth(list, 0), ScaleForDpi(kDesignColumnWidths[0], OtherDpi(dpi)), 1);
              Cancel(dialog);
          });

    struct Reading final : DlgRead {
        std::function<void()> look;
        void Read() override { look(); }
    } reading;
    bool looked = false;
    reading.look = [&] {
        HWND dialog = ShownDialog();
        ASSERT_NE(dialog, nullptr);
        looked = true;
        ExpectLaidOut(dialog, dpi, "reader");
    };
    RunReader(owner, reading);
    EXPECT_TRUE(looked);
}

TEST_F(DpiLayoutTest, TheTextOpenDialogsPanelFits) {
    Win32Files disk;
    TTextOpenDialog dlg(disk);
    dlg.Filter = "Text|*.txt";
    dlg.SetPreview(true);
    Visit([&] { RunTextOpenDialog(dlg, nullptr); },
          [&](HWND dialog) {
              const HWND panel = FindWindowExW(dialog, nullptr, L"#32770", nullptr);
              ASSERT_NE(panel, nullptr);
              const HWND check = GetDlgItem(panel, IDC_PREVIEW_CHECK);
              EXPECT_EQ(CaptionMisfit(check, dpi), "");
              EXPECT_EQ(FontHeight(GetDlgItem(panel, IDC_PREVIEW_TEXT)), ScaleForDpi(12, dpi));
              Cancel(dialog);
          });
}

// ---- the main window ----------------------------------------------------------------------------

int ImageSize(HWND toolBar) {
    int width = 0, height = 0;
    ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageW(toolBar, TB_GETIMAGELIST, 0, 0)), &width, &height);
    EXPECT_EQ(width, height);
    return width;
}

TEST_F(DpiLayoutTest, TheMainWindowsImagesFontAndDefaultColumnsFollowTheDpiAndAUsersWidthStays) {
    Store("ColWidth1", "250");
    const HWND hwnd = Open();
    const HWND list = GetDlgItem(hwnd, IDC_LIST);
    const HWND toolBar = FindWindowExW(hwnd, nullptr, TOOLBARCLASSNAMEW, nullptr);
    EXPECT_EQ(ImageSize(toolBar), ScaleForDpi(16, dpi));
    EXPECT_EQ(FontHeight(list), ScaleForDpi(13, dpi));
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), ScaleForDpi(kDesignColumnWidths[0], dpi));
    EXPECT_EQ(ListView_GetColumnWidth(list, 1), 250);
    // Saved, the default stays the default (so it follows the next DPI) and the user's width
    // is kept in pixels.
    window.reset();
    EXPECT_EQ(Stored("ColWidth0"), std::to_string(kDesignColumnWidths[0]));
    EXPECT_EQ(Stored("ColWidth1"), "250");
}

TEST_F(DpiLayoutTest, TheStoredWindowSizeIsRestoredAndSavedUnscaled) {
    const std::pair<const char*, const char*> stored[] = {
        {"Left", "30"}, {"Top", "40"}, {"Width", "517"}, {"Height", "333"}};
    for (const auto& [name, value] : stored)
        Store(name, value);
    const HWND hwnd = Open();
    RECT r{};
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.right - r.left, 517);
    EXPECT_EQ(r.bottom - r.top, 333);
    window.reset();
    for (const auto& [name, value] : stored)
        EXPECT_EQ(Stored(name), value) << name;
}

// Windows tells a window of its new monitor's DPI while it moves it there: the first move of
// the window comes with a WM_DPICHANGED suggesting the size scaled to that DPI.
struct MoveToOtherMonitor {
    static inline WNDPROC original = nullptr;
    static inline int from = 96, to = 96;
    static inline bool told = false;
    HWND hwnd;

    MoveToOtherMonitor(HWND window, int fromDpi, int toDpi) : hwnd(window) {
        from = fromDpi;
        to = toDpi;
        told = false;
        original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MoveToOtherMonitor::Proc)));
    }
    ~MoveToOtherMonitor() { SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original)); }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        const LRESULT result = CallWindowProcW(original, hwnd, message, wParam, lParam);
        if (message == WM_WINDOWPOSCHANGED && !told) {
            told = true;
            RECT r{};
            GetWindowRect(hwnd, &r);
            r.right = r.left + MulDiv(r.right - r.left, to, from);
            r.bottom = r.top + MulDiv(r.bottom - r.top, to, from);
            SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&r));
        }
        return result;
    }
};

TEST_F(DpiLayoutTest, AStoredSizeRestoredOnAMonitorOfAnotherDpiStaysAsItWas) {
    const HWND hwnd = Open();
    const int other = OtherDpi(dpi);
    {
        const MoveToOtherMonitor move(hwnd, dpi, other);
        window->SetBounds({30, 40, 417, 333});
        EXPECT_TRUE(MoveToOtherMonitor::told);
    }
    RECT r{};
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.right - r.left, 417);
    EXPECT_EQ(r.bottom - r.top, 333);
    // Laid out for the other monitor all the same.
    EXPECT_EQ(ImageSize(FindWindowExW(hwnd, nullptr, TOOLBARCLASSNAMEW, nullptr)), ScaleForDpi(16, other));
}

TEST_F(DpiLayoutTest, TheMainWindowFollowsADpiChange) {
    Store("ColWidth1", "250");
    const HWND hwnd = Open();
    const HWND list = GetDlgItem(hwnd, IDC_LIST);
    const HWND toolBar = FindWindowExW(hwnd, nullptr, TOOLBARCLASSNAMEW, nullptr);
    const int other = OtherDpi(dpi);
    // Small enough to take twice its size on the screen, large enough to take half of it.
    SetWindowPos(hwnd, nullptr, 0, 0, 500, 360, SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT suggested = SendDpiChange(hwnd, dpi, other);
    ExpectAt(hwnd, suggested);
    EXPECT_EQ(ImageSize(toolBar), ScaleForDpi(16, other));
    EXPECT_EQ(ListView_GetImageList(list, LVSIL_SMALL),
              reinterpret_cast<HIMAGELIST>(SendMessageW(toolBar, TB_GETIMAGELIST, 0, 0)));
    EXPECT_EQ(FontHeight(list), ScaleForDpi(13, other));
    EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0))),
              SystemMetricForDpi(SM_CXSMICON, other));
    EXPECT_NEAR(ListView_GetColumnWidth(list, 0), ScaleForDpi(kDesignColumnWidths[0], other), 1);
    EXPECT_NEAR(ListView_GetColumnWidth(list, 1), MulDiv(250, other, dpi), 1);
    // The search row below the toolbar, in the list's font, and the list filling the rest.
    const HWND search = GetDlgItem(hwnd, IDC_SEARCH);
    EXPECT_EQ(FontHeight(search), ScaleForDpi(13, other));
    RECT client{}, below{};
    GetClientRect(hwnd, &client);
    below = RectIn(list, hwnd);
    const RECT row = RectIn(search, hwnd);
    EXPECT_EQ(row.top, RectIn(toolBar, hwnd).bottom);
    EXPECT_EQ(row.right, client.right);
    EXPECT_GT(row.bottom - row.top, ScaleForDpi(13, other));
    EXPECT_EQ(below.top, row.bottom);
    EXPECT_EQ(below.bottom, std::max(client.bottom, row.bottom)); // none left when the window is that low
}

// The window of this thread with the caption, once it shows.
HWND g_nested = nullptr;
std::wstring g_nestedCaption;
std::function<void(HWND)> g_nestedVisit;

void CALLBACK NestedTick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(L"#32770", g_nestedCaption.c_str());
    if (dialog == nullptr || !IsWindowVisible(dialog))
        return;
    KillTimer(nullptr, timer);
    g_nested = dialog;
    const auto visit = std::move(g_nestedVisit);
    visit(dialog);
}

TEST_F(DpiLayoutTest, TheGeneratorOverTheEditorAndThePasswordReportFit) {
    Open(2);
    Visit([&] { Command(CommandId::actNew); },
          [&](HWND editor) {
              g_nested = nullptr;
              g_nestedCaption = L"パスワードの生成";
              g_nestedVisit = [&](HWND generator) {
                  ExpectLaidOut(generator, dpi, "generator");
                  SendDpiChange(generator, dpi, OtherDpi(dpi));
                  ExpectLaidOut(generator, OtherDpi(dpi), "generator moved");
                  Cancel(generator);
              };
              SetTimer(nullptr, 0, 20, &NestedTick);
              SendMessageW(GetDlgItem(editor, 1007), BM_CLICK, 0, 0); // 生成, which runs the generator
              EXPECT_NE(g_nested, nullptr);
              Cancel(editor);
          });
    Visit([&] { Command(CommandId::mnuPasswordAudit); },
          [&](HWND report) {
              ExpectLaidOut(report, dpi, "password report");
              Cancel(report);
          });
}

} // namespace
} // namespace tobrix::win32
