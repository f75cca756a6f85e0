#pragma once
// The main window: a frame with the menu and the owner-data list of entries. It forwards
// every event to TfrmMain and answers the presenter's requests.

#include "app/Main.h"
#include "win32/Window.h"

#include <commctrl.h>

#include <string>

namespace tobrix::win32 {

class Win32Messages;

class MainWindow final : public Window, public MainView, public ListControl {
public:
    MainWindow(HINSTANCE instance, const MainServices& services, Win32Messages& messages, FilePath exePath);
    ~MainWindow() override;

    // Creates the window (running FormCreate) and shows it; false when it could not be created.
    bool Create(int showCommand);
    // The main window's shortcut keys, taken before the focused control sees them.
    bool TranslateShortcut(MSG& message);

    // MainView
    ListControl& List() override { return *this; }
    void SetChecked(CommandId id, bool checked) override;
    void SetTopMost(bool topMost) override;
    WindowBounds Bounds() const override;
    void SetBounds(const WindowBounds& bounds) override;
    int ColumnWidth(int column) const override;
    void SetColumnWidth(int column, int width) override;
    int ListTextHeight(std::string_view text) const override;
    void Close() override;

    void RunSubDialog(TfrmSub& sub) override;
    void RunAboutDialog(TfrmAbout& about) override;

    // ListControl
    void SetRowCount(int count) override;
    void SelectRow(int row) override;
    int SelectedRow() const override;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void ReportUnhandled(const std::exception& e) override;

    void OnCreate();
    void CreateList();
    HMENU BuildMenu();
    static HACCEL BuildShortcuts();
    void Layout();
    LRESULT OnNotify(const NMHDR& header);
    void OnCommand(int id);
    void OnInitMenuPopup(HMENU popup);
    void ReportError(const std::exception& e);
    int Scale(int pixels) const;

    HINSTANCE instance_;
    Win32Messages& messages_;
    TfrmMain presenter_;
    HWND list_ = nullptr;
    HFONT font_ = nullptr;
    HIMAGELIST imlIcon_ = nullptr;
    HACCEL shortcuts_ = nullptr;
    int dpi_ = 96;
    bool shown_ = false;
    std::wstring cellText_; // the last cell text handed to the list control
};

} // namespace tobrix::win32
