#pragma once
// The main window: a frame with the menu, the toolbar and the owner-data list of entries. It
// forwards every event to TfrmMain and answers the presenter's requests.

#include "app/Main.h"
#include "win32/CommandUi.h"
#include "win32/Fonts.h"
#include "win32/PasswordCsvExportWindow.h"
#include "win32/Window.h"

#include <commctrl.h>

#include <string>

namespace tobrix::win32 {

struct OwnerWindow;

class MainWindow final : public Window, public MainView, public ListControl, public SearchBox {
public:
    // `main` is told the window's handle while it exists.
    MainWindow(HINSTANCE instance, const MainServices& services, OwnerWindow& main, FilePath exePath);
    ~MainWindow() override;

    // Creates the window (running FormCreate) and shows it; false when it could not be created.
    bool Create(int showCommand);
    // The main window's shortcut keys, taken before the focused control sees them.
    bool TranslateShortcut(MSG& message);
    // The message queue is empty: the commands' update rules run for the toolbar, unless a
    // modal dialog has the window disabled.
    void OnIdle();
    // Keyboard or mouse input to one of the program's windows, as the message loop takes it.
    void OnUserInput();

    // MainView
    ListControl& List() override { return *this; }
    SearchBox& Search() override { return *this; }
    void SetChecked(CommandId id, bool checked) override;
    void SetTopMost(bool topMost) override;
    WindowBounds Bounds() const override;
    void SetBounds(const WindowBounds& bounds) override;
    int ColumnWidth(int column) const override;
    void SetColumnWidth(int column, int width) override;
    int ListTextHeight(std::string_view text) const override;
    int CaptionStripHeight() const override;
    void Close() override;
    void BlockShutdown(std::string_view reason) override;
    void AllowShutdown() override;
    void SetTimer(MainTimer timer, bool enabled) override;
    void StartTimer(MainTimer timer, int milliseconds) override;
    void PostPasteStep() override;
    void ShowLocked(bool locked) override;

    void RunSubDialog(TfrmSub& sub) override;
    void RunPasswordAuditDialog(TfrmPasswordAudit& audit) override;
    void RunAboutDialog(TfrmAbout& about) override;
    void RunInportDialog(TfrmInport& inport) override;
    void RunExportDialog(TfrmExport& exporter) override;
    void RunMasterPasswordDialog(TfrmMasterPassword& dialog) override;
    void RunPasswordDialog(TfrmPassword& prompt) override;
    void RunPasswordCheck(TfrmPasswordCheck& check) override;
    PasswordCsvExportView& CsvExportView() override { return csvExport_; }
    std::optional<FilePath> RunPasswordCsvOpenDialog() override;
    void RunPasswordCsvReader(DlgRead& reader) override;
    void RunPasswordCsvPreview(TfrmPreview& preview) override;

    // ListControl
    void SetRowCount(int count) override;
    void SelectRow(int row) override;
    int SelectedRow() const override;
    int HitTest(int x, int y) const override;
    int Top() const override;
    int Height() const override;
    int PointerY() const override;
    void Scroll(int dy) override;
    void ShowDropMark(const DropMark& mark) override;
    void SetEmptyText(std::string_view text) override;
    int TopRow() const override;
    void ScrollToTop(int row) override;

    // SearchBox
    void Clear() override;
    void Focus() override;
    void FocusList() override;
    void ShowCount(std::string_view text) override;
    void SetText(std::string_view text) override;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void ReportUnhandled(const std::exception& e) override;
    // The search field's keys, and the list's empty area drawn over its own painting.
    LRESULT OnControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) override;

    // False when the window is not to be made after all.
    bool OnCreate();
    void CreateList();
    void CreateSearchRow();
    // The locked window's text and its unlock button, hidden until the window locks.
    void CreateLockArea();
    // The search row's height for the list's font: the field's text with its frame.
    int SearchRowHeight() const;
    void OnSearchCommand(int code);
    // Keys that edit the text of the search field while it has the focus, rather than run the
    // command whose shortcut they are.
    bool EditsSearchText(const MSG& message) const;
    void DrawEmptyText() const;
    void Layout();
    LRESULT OnNotify(const NMHDR& header);
    // Draws the drop mark over the rows the list has drawn.
    LRESULT OnListCustomDraw(const NMLVCUSTOMDRAW& draw) const;
    void OnCommand(int id);
    // The list's context menu; false for a request from elsewhere (the title bar's window menu).
    bool OnContextMenu(HWND from, LPARAM at);
    // Dragging a row: the list reports the start; the window follows the mouse from then on.
    void BeginDrag(POINT pressed);
    void DragMove();
    void EndDrag(bool drop);
    bool PointerOverList() const;
    int Scale(int pixels) const { return fonts_.Scale(pixels); }
    // WM_DPICHANGED: the list's font, the images, the columns and the toolbar at the new DPI.
    void OnDpiChanged(int dpi, const RECT& suggested);

    static constexpr FontSpec kListFont{.height = 13};

    HINSTANCE instance_;
    OwnerWindow& main_;
    Sound& sound_; // for the dialogs' own fields
    TfrmMain presenter_;
    DpiFonts fonts_; // the DPI the window is drawn at, and the list's font
    CommandUi commands_;
    PasswordCsvExportWindow csvExport_;
    HWND list_ = nullptr;
    HWND search_ = nullptr;
    HWND count_ = nullptr; // the count of rows shown while a search text is on
    HWND lastFocus_ = nullptr; // the child that had the focus when the window was left
    HWND locked_ = nullptr;    // 「ロック中」
    HWND unlock_ = nullptr;
    bool isLocked_ = false;
    bool sessionNotified_ = false; // Windows tells of the session's lock
    std::wstring emptyText_;
    std::wstring countText_;
    HFONT font_ = nullptr; // of fonts_
    bool restoringBounds_ = false; // SetBounds is placing the window
    HICON smallIcon_ = nullptr; // the class's, destroyed once the class is gone
    HICON dpiIcon_ = nullptr;   // the window's own small icon after a DPI change
    bool shown_ = false;
    std::wstring cellText_; // the last cell text handed to the list control
    enum class Drag { None, Pending, Dragging } drag_ = Drag::None;
    POINT dragFrom_{}; // where the button went down, in screen coordinates
    DropMark dropMark_;
};

} // namespace tobrix::win32
