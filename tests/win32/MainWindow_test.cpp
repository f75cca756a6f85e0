// The main window in process (hidden), with the program's presenter and fake services.

#include "win32/MainWindow.h"

#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/FakeServices.h"
#include "support/Scramble.h"
#include "win32/Encoding.h"
#include "win32/Win32Platform.h"

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
    void Key(WPARAM key, bool repeat = false) {
        PostMessageW(list, WM_KEYDOWN, key, 1 | (repeat ? LPARAM(1) << 30 : 0));
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (window->TranslateShortcut(message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
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
