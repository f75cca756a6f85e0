// The main window in process (hidden), with the program's presenter and fake services.

#include "win32/MainWindow.h"

#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/FakeServices.h"
#include "support/Scramble.h"
#include "win32/Encoding.h"
#include "win32/TestSupport.h"
#include "win32/Win32Platform.h"
#include "win32/resource.h"

#include <gtest/gtest.h>

namespace tobrix::win32 {
namespace {

class MainWindowTest : public ::testing::Test, protected test::FakeServices {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        ItemList.Clear();
        Settings = {};
    }
    void TearDown() override { ItemList.Clear(); }

    HWND Open() {
        window = std::make_unique<MainWindow>(GetModuleHandleW(nullptr), Services(), main, FilePath(kExe));
        EXPECT_TRUE(window->Create(SW_HIDE));
        return window->Handle();
    }
    bool Checked(HWND hwnd, CommandId id) {
        return (GetMenuState(GetMenu(hwnd), static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED) != 0;
    }

    static constexpr const wchar_t* kExe = L"C:\\Tobrix\\Tobrix.exe";
    OwnerWindow main;
        std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, CheckMarksSetByThePresenterReachTheMenuItemsOfTheCommandTable) {
    registry.SetText("Setting", "OnTop", "1");
    registry.SetText("Setting", "HidePass", "1");
    const HWND hwnd = Open();
    EXPECT_TRUE(Checked(hwnd, CommandId::actTopLock));
    EXPECT_TRUE(Checked(hwnd, CommandId::mnuHide));
    EXPECT_FALSE(Checked(hwnd, CommandId::mnuShard));
    EXPECT_TRUE(messages.shown.empty());

    const HWND toolBar = FindWindowExW(hwnd, nullptr, TOOLBARCLASSNAMEW, nullptr);
    EXPECT_NE(SendMessageW(toolBar, TB_ISBUTTONCHECKED, static_cast<WPARAM>(CommandId::actTopLock), 0), 0);

    // Every shown item of the table's menu is there under its id, with its caption.
    for (const MenuEntry& entry : kMainMenu) {
        if (entry.kind != MenuEntry::Item || entry.hidden)
            continue;
        wchar_t caption[128] = {};
        ASSERT_GT(GetMenuStringW(GetMenu(hwnd), static_cast<UINT>(entry.id), caption, 128, MF_BYCOMMAND), 0);
        const std::wstring expected = Widen(InfoOf(entry.id).caption);
        EXPECT_EQ(std::wstring(caption).substr(0, expected.size()), expected);
    }
}

TEST_F(MainWindowTest, MenusAndToolbarFollowTheUpdateRules) {
    const HWND hwnd = Open();
    const HWND toolBar = FindWindowExW(hwnd, nullptr, TOOLBARCLASSNAMEW, nullptr);
    const auto exportGrayed = [&] {
        SendMessageW(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(GetMenu(hwnd), 0)), 0);
        return (GetMenuState(GetMenu(hwnd), static_cast<UINT>(CommandId::mnuExport), MF_BYCOMMAND) & MF_GRAYED) != 0;
    };
    const auto buttonEnabled = [&](CommandId id) {
        window->OnIdle();
        return SendMessageW(toolBar, TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0) != 0;
    };
    ShowWindow(hwnd, SW_SHOWNOACTIVATE); // the rules run for a visible window only
    EXPECT_TRUE(exportGrayed());
    EXPECT_FALSE(buttonEnabled(CommandId::actDel));
    EXPECT_TRUE(buttonEnabled(CommandId::actNew));

    TVirtualItem& entry = ItemList.AppendNew();
    entry.Title = "t";
    entry.Password = "p";
    window->SetRowCount(1);
    window->SelectRow(0);
    EXPECT_FALSE(exportGrayed());
    EXPECT_TRUE(buttonEnabled(CommandId::actDel));
    EXPECT_TRUE(buttonEnabled(CommandId::actPcopy));
    EXPECT_FALSE(buttonEnabled(CommandId::actMcopy)); // no memo
}

TEST_F(MainWindowTest, TypingALetterInTheListLeavesTheSelectionWhereItIs) {
    files.files[ChangeFileExt(kExe, ".DAT").string()] =
        test::Scramble("apple\x08u\x08p1\x08\x08\r\nbanana\x08u\x08p2\x08\x08\r\ncherry\x08u\x08p3\x08\x08\r\n");
    registry.SetText("Setting", "HidePass", "1");
    const HWND hwnd = Open();
    const HWND list = GetDlgItem(hwnd, 100);
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    ListView_SetItemState(list, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    for (const wchar_t key : {L'a', L'b', L'B', L'\u3042'}) {
        SendMessageW(list, WM_CHAR, key, 1); // repeat count 1, as typed
        EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 2) << static_cast<int>(key);
    }
    EXPECT_EQ(ItemList.At(0).MaskedPassword, "**"); // row 0 never took the selection
    EXPECT_EQ(ItemList.At(2).MaskedPassword, "p3");
}

// The window's menus as the user would see them open: which menu, and where. The menu loop is
// left as soon as it waits for input.
struct MenuWatch {
    static inline MenuWatch* current = nullptr;
    HWND hwnd;
    WNDPROC original;
    HMENU popup = nullptr;
    RECT shownAt{};
    int opened = 0;

    explicit MenuWatch(HWND window) : hwnd(window) {
        current = this;
        original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MenuWatch::Proc)));
    }
    ~MenuWatch() {
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        current = nullptr;
    }
    bool Has(UINT id) const { return GetMenuState(popup, id, MF_BYCOMMAND) != static_cast<UINT>(-1); }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        MenuWatch& self = *current;
        if (message == WM_INITMENUPOPUP)
            self.popup = reinterpret_cast<HMENU>(wParam);
        if (message == WM_ENTERIDLE && wParam == MSGF_MENU) {
            ++self.opened;
            GetWindowRect(reinterpret_cast<HWND>(lParam), &self.shownAt);
            EndMenu();
        }
        return CallWindowProcW(self.original, hwnd, message, wParam, lParam);
    }
};

class MainWindowInputTest : public MainWindowTest {
protected:
    // Opens the window, shown, with `count` entries and row `selected` selected.
    HWND OpenWith(int count, int selected) {
        std::string data;
        for (int i = 0; i < count; ++i)
            data += "t" + std::to_string(i) + "\x08u\x08p\x08\x08\r\n";
        files.files[ChangeFileExt(kExe, ".DAT").string()] = test::Scramble(data);
        const HWND hwnd = Open();
        SetWindowPos(hwnd, nullptr, 40, 40, 500, 300, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        list = GetDlgItem(hwnd, 100);
        ListView_SetItemState(list, selected, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        return hwnd;
    }
    // Posts a key-down to the list and runs the program's message loop until the queue is empty.
    void Key(WPARAM key, bool repeat = false, UINT keyDown = WM_KEYDOWN) {
        PostMessageW(list, keyDown, key, 1 | (repeat ? LPARAM(1) << 30 : 0));
        test::PumpWaiting([this](MSG& message) { return window->TranslateShortcut(message); });
    }
    // Holds (or lets go of) keys and mouse buttons as GetKeyState reports them.
    static void Hold(std::initializer_list<int> keys, bool down) {
        BYTE state[256] = {};
        GetKeyboardState(state);
        for (const int key : keys)
            state[key] = down ? 0x80 : 0;
        SetKeyboardState(state);
    }
    int Rows() const { return ListView_GetItemCount(list); }

    HWND list = nullptr;
};

TEST_F(MainWindowInputTest, AHeldDeleteKeyDeletesOneEntryPerPress) {
    OpenWith(4, 0);
    Key(VK_DELETE);
    EXPECT_EQ(Rows(), 3);
    Key(VK_DELETE, true);
    Key(VK_DELETE, true);
    EXPECT_EQ(Rows(), 3);
    Key(VK_DELETE);
    EXPECT_EQ(Rows(), 2);
}

TEST_F(MainWindowInputTest, AHeldAltDownMovesTheEntryOneRowPerRepeatAndTheMenuShowsTheKeys) {
    const HWND hwnd = OpenWith(4, 0);
    const auto title = [&](int row) {
        wchar_t text[16] = {};
        ListView_GetItemText(list, row, 0, text, 16);
        return std::wstring(text);
    };
    Hold({VK_MENU}, true);
    Key(VK_DOWN, false, WM_SYSKEYDOWN);
    Key(VK_DOWN, true, WM_SYSKEYDOWN);
    Key(VK_DOWN, true, WM_SYSKEYDOWN);
    Key(VK_DOWN, true, WM_SYSKEYDOWN); // at the last row: nothing more
    Key(VK_UP, false, WM_SYSKEYDOWN);
    Hold({VK_MENU}, false);
    EXPECT_EQ(title(2), L"t0");
    EXPECT_EQ(title(3), L"t3");
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 2);

    for (const auto& [id, keys] : {std::pair{CommandId::actMoveUp, L"\tAlt+\u2191"},
                                   std::pair{CommandId::actMoveDown, L"\tAlt+\u2193"}}) {
        wchar_t caption[64] = {};
        GetMenuStringW(GetMenu(hwnd), static_cast<UINT>(id), caption, 64, MF_BYCOMMAND);
        EXPECT_NE(std::wstring(caption).find(keys), std::wstring::npos) << static_cast<int>(id);
    }
}

TEST_F(MainWindowInputTest, TheSearchFieldNarrowsTheRowsAndKeepsItsEditingKeys) {
    const HWND hwnd = OpenWith(12, 0); // t0 ... t11
    const HWND search = GetDlgItem(hwnd, IDC_SEARCH);
    const HWND count = GetDlgItem(hwnd, IDC_SEARCH_COUNT);
    SetFocus(search);
    SetWindowTextW(search, L"T1");
    EXPECT_EQ(Rows(), 3); // t1, t10, t11
    EXPECT_EQ(Narrow(WindowText(count)), std::string(sjis<u8"3 / 12 件">()));
    EXPECT_TRUE(IsWindowVisible(count));

    // Keys that edit text stay with the field: nothing is added, copied or deleted.
    const auto keyTo = [&](HWND to, WPARAM key) {
        PostMessageW(to, WM_KEYDOWN, key, 1);
        test::PumpWaiting([this](MSG& message) { return window->TranslateShortcut(message); });
    };
    Hold({VK_CONTROL}, true);
    keyTo(search, 'A');
    keyTo(search, 'C');
    Hold({VK_CONTROL}, false);
    keyTo(search, VK_DELETE);
    EXPECT_EQ(ItemList.Count(), 12);
    EXPECT_FALSE(clipboard.text.has_value());
    // Esc empties the field, a second one goes back to the list, where Del deletes again.
    SetWindowTextW(search, L"t1");
    keyTo(search, VK_ESCAPE);
    EXPECT_EQ(WindowText(search), L"");
    EXPECT_EQ(Rows(), 12);
    EXPECT_FALSE(IsWindowVisible(count));
    keyTo(search, VK_ESCAPE);
    EXPECT_EQ(GetFocus(), list);
    keyTo(list, VK_DELETE);
    EXPECT_EQ(ItemList.Count(), 11);
}

TEST_F(MainWindowInputTest, NoShortcutRunsWhileARowIsDraggedAndEscCancelsTheDrag) {
    const HWND hwnd = OpenWith(3, 1);
    Hold({VK_LBUTTON}, true);
    // The list reports a drag from a point well away from the pointer: it is under way at once.
    POINT cursor{};
    GetCursorPos(&cursor);
    NMLISTVIEW begin{};
    begin.hdr = {list, 100, LVN_BEGINDRAG};
    begin.iItem = 1;
    begin.ptAction = {cursor.x + 100, cursor.y + 100};
    ScreenToClient(list, &begin.ptAction);
    SendMessageW(hwnd, WM_NOTIFY, 100, reinterpret_cast<LPARAM>(&begin));
    ASSERT_EQ(GetCapture(), hwnd);

    Hold({VK_CONTROL}, true);
    Key('V'); // continuous paste: a command of no menu, so the capture alone does not stop it
    Hold({VK_CONTROL}, false);
    Key(VK_DELETE);
    EXPECT_FALSE(clipboard.promised);
    EXPECT_EQ(Rows(), 3);

    Key(VK_ESCAPE);
    EXPECT_NE(GetCapture(), hwnd);
    Hold({VK_LBUTTON}, false);
    Hold({VK_CONTROL}, true);
    Key('V');
    Hold({VK_CONTROL}, false);
    EXPECT_TRUE(clipboard.promised);
    EXPECT_EQ(Rows(), 3); // the cancelled drag moved nothing
}

TEST_F(MainWindowInputTest, ARightClickOnTheTitleBarOpensTheWindowMenu) {
    const HWND hwnd = OpenWith(1, 0);
    RECT frame{};
    GetWindowRect(hwnd, &frame);
    MenuWatch watch(hwnd);
    const POINT caption{(frame.left + frame.right) / 2, frame.top + GetSystemMetrics(SM_CYFRAME) + 5};
    SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(caption.x, caption.y));
    EXPECT_EQ(watch.opened, 1);
    EXPECT_TRUE(watch.Has(SC_CLOSE));
}

TEST_F(MainWindowInputTest, TheKeyboardsContextMenuOpensAtTheSelectedRowWhileItIsInView) {
    const HWND hwnd = OpenWith(40, 2);
    MenuWatch watch(hwnd);
    RECT row{};
    ListView_GetItemRect(list, 2, &row, LVIR_LABEL);
    POINT below{row.left, row.bottom};
    ClientToScreen(list, &below);
    SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), -1);
    ASSERT_EQ(watch.opened, 1);
    EXPECT_TRUE(watch.Has(static_cast<UINT>(CommandId::actDel)));
    EXPECT_EQ(std::pair(watch.shownAt.left, watch.shownAt.top), std::pair(below.x, below.y));

    ListView_SetItemState(list, 35, LVIS_SELECTED, LVIS_SELECTED); // far below the rows in view
    POINT corner{0, 0};
    ClientToScreen(list, &corner);
    SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1)); // the 32-bit -1
    ASSERT_EQ(watch.opened, 2);
    EXPECT_EQ(std::pair(watch.shownAt.left, watch.shownAt.top), std::pair(corner.x, corner.y));
}

TEST_F(MainWindowInputTest, TheDropMarkIsALineAboveOrBelowItsRow) {
    OpenWith(3, 0);
    RECT client{};
    GetClientRect(list, &client);
    RECT row{};
    ListView_GetItemRect(list, 1, &row, LVIR_BOUNDS);
    // The list as it draws itself, on a bitmap.
    const auto pixels = [&](int y) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
        const HGDIOBJ old = SelectObject(dc, bitmap);
        SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
        const COLORREF at = GetPixel(dc, 20, y);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return at;
    };
    const COLORREF mark = GetSysColor(COLOR_HIGHLIGHT);
    const int top = row.top, bottom = row.bottom - 1;
    EXPECT_NE(pixels(top), mark);
    window->ShowDropMark({1, false});
    EXPECT_EQ(pixels(top), mark);
    EXPECT_NE(pixels(bottom), mark);
    window->ShowDropMark({1, true});
    EXPECT_NE(pixels(top), mark);
    EXPECT_EQ(pixels(bottom), mark);
    window->ShowDropMark({});
    EXPECT_NE(pixels(bottom), mark);
}

} // namespace
} // namespace tobrix::win32
