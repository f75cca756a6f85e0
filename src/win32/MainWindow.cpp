#include "win32/MainWindow.h"

#include "common/Identity.h"
#include "common/Error.h"
#include "common/Secret.h"
#include "store/Columns.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "win32/AboutDialog.h"
#include "win32/DlgDialog.h"
#include "win32/Dpi.h"
#include "win32/Encoding.h"
#include "win32/InportDialog.h"
#include "win32/ListCells.h"
#include "win32/PasswordDialog.h"
#include "win32/ExportDialog.h"
#include "win32/FileDialog.h"
#include "win32/HighContrast.h"
#include "win32/PreviewDialog.h"
#include "win32/SubDialog.h"
#include "win32/SystemLibrary.h"
#include "win32/WaitCursor.h"
#include "win32/PasswordAuditDialog.h"
#include "win32/Win32Platform.h"
#include "win32/resource.h"

#include <windowsx.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace tobrix::win32 {

namespace {

// The continuous paste's renewal, posted to the window itself.
constexpr UINT WM_PASTESTEP = WM_USER + 100;
constexpr UINT_PTR kDragTimer = 1;
constexpr UINT_PTR kPasteTimer = 2;
constexpr UINT_PTR kClipboardTimer = 3;
constexpr UINT_PTR kLockTimer = 4;
constexpr UINT_PTR kAutosaveTimer = 5;
constexpr UINT kTimerInterval = 100; // ms

UINT_PTR TimerId(MainTimer timer) {
    switch (timer) {
    case MainTimer::timDrag: return kDragTimer;
    case MainTimer::PasteRenewal: return kPasteTimer;
    case MainTimer::ClipboardClear: return kClipboardTimer;
    case MainTimer::LockIdle: return kLockTimer;
    case MainTimer::Autosave: return kAutosaveTimer;
    }
    return 0;
}
// How far the pointer moves with the button held before a press becomes a drag.
constexpr int kDragThreshold = 5;

constexpr std::string_view kLockedText = sjis<u8"ロック中">();
constexpr std::string_view kUnlockButton = sjis<u8"ロック解除(&U)...">();

// Windows tells of the session's changes only to a window that asks; wtsapi32 is not among
// the DLLs loaded at start.
using SessionNotification = BOOL(WINAPI*)(HWND, DWORD);
using SessionUnregistration = BOOL(WINAPI*)(HWND);

HMODULE SessionLibrary() {
    static const HMODULE library = LoadSystemLibrary(L"wtsapi32.dll");
    return library;
}

} // namespace

MainWindow::MainWindow(HINSTANCE instance, const MainServices& services, OwnerWindow& main, FilePath exePath)
    : instance_(instance), main_(main), sound_(services.sound), presenter_(*this, services, ItemList, Settings, std::move(exePath)),
      fonts_(ScreenDpi()), commands_(instance, [this](int pixels) { return Scale(pixels); }),
      csvExport_([this] { return Handle(); }) {}

MainWindow::~MainWindow() {
    if (Handle() != nullptr)
        DestroyWindow(Handle());
    if (dpiIcon_ != nullptr)
        DestroyIcon(dpiIcon_);
    // The class goes with its last window; only then is its small icon free.
    if (smallIcon_ != nullptr && UnregisterClassW(Widen(kMainWindowClass).c_str(), instance_))
        DestroyIcon(smallIcon_);
}

bool MainWindow::Create(int showCommand) {
    const std::wstring className = Widen(kMainWindowClass);
    WNDCLASSEXW wc{};
    wc.hInstance = instance_;
    wc.lpszClassName = className.c_str();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_TOBRIX));
    // Loaded at the caption's size, so not shared: the window class owns it.
    smallIcon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TOBRIX), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hIconSm = smallIcon_;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    if (!RegisterClassOnce(wc)) {
        DestroyIcon(smallIcon_);
        smallIcon_ = nullptr;
        return false;
    }
    // Declared with the platform's default placement; FormCreate applies stored geometry.
    if (CreateWindowFor(0, className.c_str(), Widen(kAppTitle).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, commands_.TakeMenuBar(),
                        instance_) == nullptr)
        return false;
    ShowWindow(Handle(), showCommand);
    UpdateWindow(Handle());
    return true;
}

bool MainWindow::TranslateShortcut(MSG& message) {
    if (drag_ != Drag::None && (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN)) {
        // While a row is dragged no key runs a command or moves the list's selection under
        // the drag; Esc cancels it.
        if (message.wParam == VK_ESCAPE)
            EndDrag(false);
        return true;
    }
    if (EditsSearchText(message))
        return false;
    return commands_.TranslateShortcut(Handle(), message);
}

bool MainWindow::EditsSearchText(const MSG& message) const {
    if (message.hwnd != search_ || search_ == nullptr || message.message != WM_KEYDOWN)
        return false;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (message.wParam) {
    case VK_DELETE:
    case VK_BACK:
    case VK_INSERT: return true;
    case 'A':
    case 'C':
    case 'V':
    case 'X':
    case 'Z':
    case 'Y': return ctrl;
    default: return false;
    }
}

void MainWindow::OnSearchCommand(int code) {
    if (code == EN_CHANGE) {
        const std::wstring text = WindowText(search_);
        const std::optional<std::string> exact = NarrowExact(text, LookAlikes::Mapped);
        presenter_.List().edtSearchChange(exact ? *exact : Narrow(text), exact.has_value());
    } else if (code == EN_SETFOCUS) {
        // Folding a long list takes a moment, once.
        WaitCursor wait;
        wait.Set(true);
        presenter_.List().edtSearchEnter();
        wait.Set(false);
    }
}

LRESULT MainWindow::OnControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (control == search_) {
        if (message == WM_KEYDOWN && (wParam == VK_ESCAPE || wParam == VK_DOWN || wParam == VK_RETURN)) {
            using Key = MainList::SearchKey;
            presenter_.List().edtSearchKeyDown(wParam == VK_ESCAPE ? Key::Escape
                                               : wParam == VK_DOWN ? Key::Down
                                                                   : Key::Enter);
            return 0;
        }
        if (message == WM_CHAR && (wParam == '\r' || wParam == 0x1B))
            return 0; // taken as keys above: no beep
    } else if (control == list_ && message == WM_PAINT && !emptyText_.empty()) {
        const LRESULT result = DefSubclassProc(control, message, wParam, lParam);
        DrawEmptyText();
        return result;
    } else if (control == list_ && message == WM_SIZE && !emptyText_.empty()) {
        InvalidateRect(list_, nullptr, TRUE); // the text is centred: it moves as a whole
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

void MainWindow::DrawEmptyText() const {
    if (ListView_GetItemCount(list_) != 0)
        return;
    RECT area{};
    GetClientRect(list_, &area);
    RECT header{};
    GetWindowRect(ListView_GetHeader(list_), &header);
    area.top += header.bottom - header.top;
    InflateRect(&area, -Scale(12), -Scale(12));
    if (area.right <= area.left || area.bottom <= area.top)
        return;
    HDC dc = GetDC(list_);
    const HGDIOBJ old = SelectObject(dc, font_);
    // Opaque in the list's own colours, so that drawing it again over itself changes nothing.
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, ListView_GetBkColor(list_));
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(dc, emptyText_.c_str(), static_cast<int>(emptyText_.size()), &area,
              DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
}

void MainWindow::SetEmptyText(std::string_view text) {
    std::wstring wide = Widen(text);
    if (wide == emptyText_)
        return;
    emptyText_ = std::move(wide);
    InvalidateRect(list_, nullptr, TRUE);
}

void MainWindow::Clear() { SetWindowTextW(search_, L""); }

void MainWindow::Focus() {
    SetFocus(search_);
    SendMessageW(search_, EM_SETSEL, 0, -1);
}

void MainWindow::FocusList() { SetFocus(list_); }

void MainWindow::ShowCount(std::string_view text) {
    std::wstring wide = Widen(text);
    if (wide == countText_)
        return;
    const bool relayout = wide.empty() != countText_.empty() || wide.size() != countText_.size();
    countText_ = std::move(wide);
    SetWindowTextW(count_, countText_.c_str());
    if (relayout)
        Layout();
}

void MainWindow::OnIdle() {
    if (Handle() != nullptr && IsWindowEnabled(Handle()) && IsWindowVisible(Handle())) {
        commands_.EnableToolBar([this](CommandId id) { return presenter_.Update(id); });
        commands_.FollowChecks(Handle(), [this](CommandId id) { return presenter_.Checked(id); });
    }
}

bool MainWindow::OnCreate() {
    main_.hwnd = Handle();
    // The images were made at the system's DPI; the window may be on a monitor of another.
    if (const int dpi = WindowDpi(Handle()); dpi != fonts_.Dpi()) {
        fonts_.SetDpi(dpi);
        commands_.Rescale();
    }
    font_ = fonts_.Make(kListFont);
    commands_.CreateToolBar(Handle());
    CreateSearchRow();
    CreateList();
    CreateLockArea();
    if (const auto notify = SystemFunction<SessionNotification>(SessionLibrary(), "WTSRegisterSessionNotification"))
        sessionNotified_ = notify(Handle(), NOTIFY_FOR_THIS_SESSION) != FALSE;
    return presenter_.FormCreate();
}

void MainWindow::CreateLockArea() {
    locked_ = CreateWindowExW(0, L"STATIC", Widen(kLockedText).c_str(), WS_CHILD | SS_CENTER | SS_NOPREFIX, 0, 0, 0,
                              0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LOCKED)), instance_,
                              nullptr);
    unlock_ = CreateWindowExW(0, L"BUTTON", Widen(kUnlockButton).c_str(), WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0,
                              0, 0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_UNLOCK)), instance_,
                              nullptr);
    for (HWND control : {locked_, unlock_})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

void MainWindow::ShowLocked(bool locked) {
    isLocked_ = locked;
    if (drag_ != Drag::None)
        EndDrag(false);
    // The cell text handed to the list last may be a password.
    Wipe(cellText_.data(), cellText_.size() * sizeof(wchar_t));
    cellText_.clear();
    for (HWND control : {list_, search_})
        ShowWindow(control, locked ? SW_HIDE : SW_SHOWNA);
    for (HWND control : {locked_, unlock_})
        ShowWindow(control, locked ? SW_SHOWNA : SW_HIDE);
    commands_.ShowLockedCaptions(GetMenu(Handle()), locked);
    lastFocus_ = nullptr;
    Layout();
    if (GetActiveWindow() == Handle())
        SetFocus(locked ? unlock_ : list_);
}

void MainWindow::OnUserInput() { presenter_.Lock().UserInput(); }

int MainWindow::TopRow() const { return ListView_GetTopIndex(list_); }

void MainWindow::ScrollToTop(int row) {
    RECT first{};
    if (ListView_GetItemCount(list_) == 0 || !ListView_GetItemRect(list_, 0, &first, LVIR_BOUNDS))
        return;
    ListView_Scroll(list_, 0, (row - ListView_GetTopIndex(list_)) * (first.bottom - first.top));
}

void MainWindow::SetText(std::string_view text) { SetWindowTextW(search_, Widen(text).c_str()); }

void MainWindow::CreateList() {
    // Owner data: the list asks for every cell and holds no rows. No in-place editing, one
    // selected row at most, kept visible without the focus. It sorts nothing by itself and
    // shows no drag image.
    list_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                                LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                            0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LIST)), instance_,
                            nullptr);
    SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    // The commands' images, shared with the toolbar; the rows show none of them.
    ListView_SetImageList(list_, commands_.Images(), LVSIL_SMALL);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    AddEntryColumns(list_, fonts_.Dpi());
    SubclassControl(list_, *this);
    Layout();
}

namespace {

constexpr std::string_view kSearchCue = sjis<u8"検索（タイトル・ユーザーID・メモ・アドレス）">();

} // namespace

void MainWindow::CreateSearchRow() {
    search_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0,
                              0, 0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SEARCH)), instance_,
                              nullptr);
    count_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_RIGHT | SS_CENTERIMAGE | SS_NOPREFIX, 0, 0, 0, 0,
                             Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SEARCH_COUNT)), instance_,
                             nullptr);
    for (HWND control : {search_, count_})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    // Shown also while the field has the focus, until the first character.
    SendMessageW(search_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(Widen(kSearchCue).c_str()));
    SubclassControl(search_, *this);
}

int MainWindow::SearchRowHeight() const {
    HDC dc = GetDC(Handle());
    const HGDIOBJ old = SelectObject(dc, font_);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    return metrics.tmHeight + 2 * SystemMetricForDpi(SM_CYEDGE, fonts_.Dpi()) + Scale(6);
}

void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    const int old = fonts_.Rescale(dpi, [this](HFONT, HFONT made) {
        font_ = made;
        for (HWND control : {list_, search_, count_})
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
    });
    const int now = fonts_.Dpi();
    presenter_.ListFontChanged();
    commands_.Rescale();
    ListView_SetImageList(list_, commands_.Images(), LVSIL_SMALL);
    // The caption's icon at the small-icon size of the new DPI, in place of the class's.
    if (HICON icon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TOBRIX), IMAGE_ICON,
                                                   SystemMetricForDpi(SM_CXSMICON, now),
                                                   SystemMetricForDpi(SM_CYSMICON, now), 0))) {
        SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        if (dpiIcon_ != nullptr)
            DestroyIcon(dpiIcon_);
        dpiIcon_ = icon;
    }
    // The columns keep their share of the list, whether the user set them or not.
    for (int i = 0; i < kColumnCount; ++i)
        ListView_SetColumnWidth(list_, i, MulDiv(ListView_GetColumnWidth(list_, i), now, old));
    // A size being restored is the user's own: it is not scaled for the monitor it lands on.
    if (!restoringBounds_)
        SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}

void MainWindow::Layout() {
    if (list_ == nullptr)
        return;
    RECT client;
    GetClientRect(Handle(), &client);
    const int top = commands_.FitToolBar();
    const int row = SearchRowHeight();
    int countWidth = 0;
    if (!countText_.empty()) {
        HDC dc = GetDC(count_);
        const HGDIOBJ old = SelectObject(dc, font_);
        SIZE size{};
        GetTextExtentPoint32W(dc, countText_.c_str(), static_cast<int>(countText_.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(count_, dc);
        countWidth = std::min<int>(size.cx + Scale(12), client.right / 2);
    }
    if (isLocked_) {
        // The lock's text and its button in the middle of the list's place.
        const int height = std::max<int>(client.bottom - top, 0);
        const int text = SearchRowHeight();
        const int buttonWidth = Scale(160), buttonHeight = Scale(28);
        const int at = top + std::max(0, (height - text - Scale(8) - buttonHeight) / 2);
        MoveWindow(locked_, 0, at, client.right, text, TRUE);
        MoveWindow(unlock_, std::max<int>(0, (client.right - buttonWidth) / 2), at + text + Scale(8), buttonWidth,
                   buttonHeight, TRUE);
        ShowWindow(count_, SW_HIDE);
        return;
    }
    MoveWindow(search_, 0, top, client.right - countWidth, row, TRUE);
    MoveWindow(count_, client.right - countWidth, top, countWidth, row, TRUE);
    ShowWindow(count_, countWidth > 0 ? SW_SHOWNA : SW_HIDE);
    MoveWindow(list_, 0, top + row, client.right, std::max<LONG>(client.bottom - top - row, 0), TRUE);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate() ? 0 : -1; // -1: the window is destroyed, Create fails
    case WM_SHOWWINDOW:
        if (wParam && !shown_) {
            shown_ = true;
            presenter_.FormShow();
        }
        break;
    case WM_SIZE: Layout(); return 0;
    case WM_DPICHANGED: {
        const DpiChange change = DpiChangeOf(wParam, lParam);
        OnDpiChanged(change.dpi, change.suggested);
        return 0;
    }
    case WM_SETFOCUS:
        // Back to the field or the list that had it when the window was left.
        if (isLocked_)
            SetFocus(unlock_);
        else if (lastFocus_ != nullptr && IsWindow(lastFocus_))
            SetFocus(lastFocus_);
        else if (list_ != nullptr)
            SetFocus(list_);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            lastFocus_ = focus == search_ || focus == list_ ? focus : nullptr;
        }
        break;
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
        if (lParam != 0 && reinterpret_cast<HWND>(lParam) == search_)
            OnSearchCommand(HIWORD(wParam));
        else if (lParam != 0 && reinterpret_cast<HWND>(lParam) == unlock_)
            presenter_.Lock().cmdUnlockClick();
        else
            OnCommand(LOWORD(wParam));
        return 0;
    case WM_INITMENUPOPUP:
        commands_.EnableMenu(reinterpret_cast<HMENU>(wParam), [this](CommandId id) { return presenter_.Update(id); });
        commands_.FollowChecks(Handle(), [this](CommandId id) { return presenter_.Checked(id); });
        return 0;
    case WM_RENDERFORMAT:
        if (wParam == CF_TEXT)
            presenter_.Paste().WMRenderFormat();
        return 0;
    case WM_RENDERALLFORMATS:
        // Not answered: a promise still standing at exit leaves no account data behind.
        return 0;
    case WM_PASTESTEP: presenter_.Paste().WMPasteStep(); return 0;
    case WM_ENABLE:
        // Disabled while a modal dialog is open over it.
        presenter_.Lock().DialogShown(wParam == FALSE);
        return 0;
    case WM_WTSSESSION_CHANGE: {
        // The own session only: locked, or left for another user's (fast user switching, a
        // remote session taken over).
        DWORD session = 0;
        const bool own = ProcessIdToSessionId(GetCurrentProcessId(), &session) && session == static_cast<DWORD>(lParam);
        if (own && (wParam == WTS_SESSION_LOCK || wParam == WTS_CONSOLE_DISCONNECT || wParam == WTS_REMOTE_DISCONNECT))
            presenter_.Lock().SessionLocked();
        return 0;
    }
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMSUSPEND)
            presenter_.Lock().Suspending();
        return TRUE;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE: FollowSystemColors(Handle()); break; // the list and the toolbar
    case WM_TIMER:
        if (wParam == kDragTimer) {
            presenter_.Drag().timDragTimer();
            if (drag_ == Drag::Dragging)
                DragMove(); // the rows may have scrolled under the pointer: the mark follows
        } else if (wParam == kPasteTimer) {
            presenter_.Paste().timPasteTimer();
        } else if (wParam == kClipboardTimer) {
            presenter_.ClipboardClear().timClearTimer();
        } else if (wParam == kLockTimer) {
            presenter_.Lock().timLockIdleTimer();
        } else if (wParam == kAutosaveTimer) {
            presenter_.timAutosaveTimer();
        }
        return 0;
    case WM_MOUSEMOVE:
        if (drag_ != Drag::None)
            DragMove();
        return 0;
    case WM_LBUTTONUP:
        if (drag_ != Drag::None)
            EndDrag(true);
        return 0;
    case WM_CAPTURECHANGED:
        if (drag_ != Drag::None && reinterpret_cast<HWND>(lParam) != Handle())
            EndDrag(false); // another window took the mouse: the drag is cancelled
        return 0;
    case WM_SETCURSOR:
        if (drag_ == Drag::Dragging)
            return TRUE; // the drag's cursor stays
        break;
    case WM_MEASUREITEM:
        if (commands_.MeasureMenuImage(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_DRAWITEM:
        if (commands_.DrawMenuImage(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_CONTEXTMENU:
        if (OnContextMenu(reinterpret_cast<HWND>(wParam), lParam))
            return 0;
        break; // the title bar's window menu is the system's
    case WM_NCLBUTTONDBLCLK:
        if (presenter_.Options().NonClientDoubleClick(GET_Y_LPARAM(lParam)))
            return 0; // the shade's: no maximising or closing
        break;
    case WM_GETMINMAXINFO:
        // The shade rolls the window up to its caption strip, lower than Windows would let a
        // window be made.
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize.y = CaptionStripHeight();
        return 0;
    case WM_CLOSE:
        if (presenter_.FormCloseQuery())
            DestroyWindow(Handle());
        return 0;
    case WM_QUERYENDSESSION: return presenter_.QueryEndSession() ? TRUE : FALSE;
    case WM_ENDSESSION:
        if (wParam)
            presenter_.SessionEnding();
        return 0;
    case WM_DESTROY:
        KillTimer(Handle(), kDragTimer);
        KillTimer(Handle(), kPasteTimer);
        KillTimer(Handle(), kClipboardTimer);
        KillTimer(Handle(), kLockTimer);
        KillTimer(Handle(), kAutosaveTimer);
        if (sessionNotified_)
            if (const auto unregister =
                    SystemFunction<SessionUnregistration>(SessionLibrary(), "WTSUnRegisterSessionNotification"))
                unregister(Handle());
        main_.hwnd = nullptr;
        presenter_.FormDestroy();
        PostQuitMessage(0);
        return 0;
    default: break;
    }
    return DefaultHandling(message, wParam, lParam);
}

void MainWindow::ReportUnhandled(const std::exception& e) { presenter_.ShowError(MessageOf(e)); }

LRESULT MainWindow::OnNotify(const NMHDR& header) {
    if (header.code == TTN_GETDISPINFOW) {
        commands_.TooltipText(const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header)));
        return 0;
    }
    if (header.hwndFrom != list_)
        return 0;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        LVITEMW& item = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header)).item;
        CellInfo cell;
        cell.State = item.state;
        presenter_.List().lsvListVMGetItemInfo(item.iItem, item.iSubItem, cell);
        AnswerCellRequest(item, cell, cellText_);
        return 0;
    }
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) == 0)
            return 0;
        const bool was = (change.uOldState & LVIS_SELECTED) != 0;
        const bool is = (change.uNewState & LVIS_SELECTED) != 0;
        if (was != is)
            presenter_.List().lsvListSelectItem(change.iItem, is);
        return 0;
    }
    case LVN_COLUMNCLICK:
        presenter_.List().lsvListColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return 0;
    case LVN_ODFINDITEMW:
        // Typing in the list searches nothing: the selection stays where it is.
        return -1;
    case NM_DBLCLK: presenter_.Commands().lsvListDblClick(); return 0;
    case NM_CUSTOMDRAW: return OnListCustomDraw(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
    case LVN_BEGINDRAG: {
        POINT pressed = reinterpret_cast<const NMLISTVIEW&>(header).ptAction;
        ClientToScreen(list_, &pressed);
        BeginDrag(pressed);
        return 0;
    }
    default: return 0;
    }
}

void MainWindow::OnCommand(int id) {
    for (const CommandInfo& info : kCommands) {
        if (id == static_cast<int>(info.id)) {
            presenter_.Execute(info.id);
            return;
        }
    }
}

void MainWindow::BeginDrag(POINT pressed) {
    if (drag_ != Drag::None || (GetKeyState(VK_LBUTTON) & 0x8000) == 0 || !presenter_.Drag().CanDrag())
        return;
    dragFrom_ = pressed;
    drag_ = Drag::Pending;
    SetCapture(Handle());
    DragMove(); // the list reports the start once the pointer has moved a little already
}

void MainWindow::DragMove() {
    if (drag_ == Drag::Pending) {
        POINT at{};
        GetCursorPos(&at);
        const int threshold = Scale(kDragThreshold);
        if (std::abs(at.x - dragFrom_.x) <= threshold && std::abs(at.y - dragFrom_.y) <= threshold)
            return;
        drag_ = Drag::Dragging;
        presenter_.Drag().lsvListStartDrag();
    }
    // No drag image: the pointer and the list's drop mark tell where a drop would land.
    bool allowed = false;
    if (PointerOverList()) {
        POINT at{};
        GetCursorPos(&at);
        ScreenToClient(list_, &at);
        allowed = presenter_.Drag().lsvListDragOver(at.x, at.y);
    } else {
        presenter_.Drag().lsvListDragLeave();
    }
    SetCursor(LoadCursorW(nullptr, allowed ? IDC_ARROW : IDC_NO));
}

void MainWindow::EndDrag(bool drop) {
    const bool dragging = drag_ == Drag::Dragging;
    drag_ = Drag::None; // first: releasing the capture below comes back as WM_CAPTURECHANGED
    if (GetCapture() == Handle())
        ReleaseCapture();
    if (!dragging)
        return; // a plain click
    if (drop && PointerOverList()) {
        POINT at{};
        GetCursorPos(&at);
        ScreenToClient(list_, &at);
        presenter_.Drag().lsvListDragDrop(at.x, at.y);
    }
    presenter_.Drag().lsvListEndDrag();
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

bool MainWindow::PointerOverList() const {
    POINT at{};
    GetCursorPos(&at);
    const HWND under = WindowFromPoint(at);
    return under == list_ || (under != nullptr && GetParent(under) == list_); // the rows or the column header
}

bool MainWindow::OnContextMenu(HWND from, LPARAM at) {
    if (from != list_)
        return false;
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (point.x == -1 && point.y == -1) {
        // From the keyboard (in 64-bit programs the -1 may come without its upper half):
        // below the selected row while it is in view (the rows' part of the list, under its
        // column header), else at the list's top-left corner.
        RECT rows{};
        GetClientRect(list_, &rows);
        RECT header{};
        GetWindowRect(ListView_GetHeader(list_), &header);
        rows.top += header.bottom - header.top;
        RECT row{}, shown{};
        const int selected = SelectedRow();
        point = {};
        if (selected >= 0 && ListView_GetItemRect(list_, selected, &row, LVIR_LABEL) &&
            IntersectRect(&shown, &row, &rows))
            point = {row.left, std::min(row.bottom, rows.bottom)};
        ClientToScreen(list_, &point);
    }
    commands_.ShowContextMenu(Handle(), point);
    return true;
}

LRESULT MainWindow::OnListCustomDraw(const NMLVCUSTOMDRAW& draw) const {
    if (dropMark_.row < 0)
        return CDRF_DODEFAULT;
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYPOSTPAINT;
    RECT line{};
    if (draw.nmcd.dwDrawStage == CDDS_POSTPAINT && ListView_GetItemRect(list_, dropMark_.row, &line, LVIR_BOUNDS)) {
        // A line along the row's upper or lower edge, inside the row so that redrawing the
        // row alone takes it away again.
        const int thickness = Scale(2);
        if (dropMark_.below)
            line.top = line.bottom - thickness;
        else
            line.bottom = line.top + thickness;
        FillRect(draw.nmcd.hdc, &line, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    return CDRF_DODEFAULT;
}

void MainWindow::RunSubDialog(TfrmSub& sub) {
    SubDialog dialog(sub, sound_);
    dialog.Run(Handle());
}

void MainWindow::RunPasswordAuditDialog(TfrmPasswordAudit& audit) {
    PasswordAuditDialog dialog(audit);
    dialog.Run(Handle());
}

void MainWindow::RunAboutDialog(TfrmAbout& about) {
    AboutDialog dialog(about);
    dialog.Run(Handle());
}

void MainWindow::RunInportDialog(TfrmInport& inport) {
    InportDialog dialog(inport, sound_);
    dialog.Run(Handle());
}

void MainWindow::RunExportDialog(TfrmExport& exporter) {
    ExportDialog dialog(exporter);
    dialog.Run(Handle());
}

void MainWindow::RunMasterPasswordDialog(TfrmMasterPassword& dialog) {
    PasswordDialog window(dialog, sound_);
    window.Run(Handle());
}

void MainWindow::RunPasswordDialog(TfrmPassword& prompt) {
    PasswordDialog window(prompt);
    window.Run(Handle());
}

void MainWindow::RunPasswordCheck(TfrmPasswordCheck& check) {
    PasswordDialog window(check);
    window.Run(Handle());
}

std::optional<FilePath> MainWindow::RunPasswordCsvOpenDialog() {
    FileDialog dialog(Handle(), kPasswordCsvFilter, kPasswordCsvImportCaption, {}, {}, 1,
                      kFileDialogFlags | OFN_FILEMUSTEXIST);
    if (!dialog.Run(FileDialogKind::Open))
        return std::nullopt;
    return FilePath(dialog.ChosenPath());
}

void MainWindow::RunPasswordCsvReader(DlgRead& reader) { win32::RunReader(Handle(), reader); }

void MainWindow::RunPasswordCsvPreview(TfrmPreview& preview) {
    PreviewDialog dialog(preview);
    dialog.Run(Handle());
}

void MainWindow::SetChecked(CommandId id, bool checked) { commands_.SetChecked(Handle(), id, checked); }

void MainWindow::SetTopMost(bool topMost) {
    SetWindowPos(Handle(), topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

WindowBounds MainWindow::Bounds() const {
    RECT r{};
    if (IsIconic(Handle())) {
        // A minimised window sits far off screen; keep the place it returns to instead.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(Handle(), &placement);
        r = placement.rcNormalPosition; // work-area coordinates
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info))
            OffsetRect(&r, info.rcWork.left - info.rcMonitor.left, info.rcWork.top - info.rcMonitor.top);
    } else {
        GetWindowRect(Handle(), &r);
    }
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void MainWindow::SetBounds(const WindowBounds& b) {
    RECT r{b.Left, b.Top, b.Left + b.Width, b.Top + b.Height};
    // A place on a monitor that is no longer attached would leave the window out of reach:
    // move it onto the nearest one, keeping its size.
    if (MonitorFromRect(&r, MONITOR_DEFAULTTONULL) == nullptr) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info))
            OffsetRect(&r, info.rcWork.left - r.left, info.rcWork.top - r.top);
    }
    // Moving onto a monitor of another DPI brings WM_DPICHANGED with a size scaled for it,
    // which would make the window grow or shrink at every start: the stored size stays.
    restoringBounds_ = true;
    SetWindowPos(Handle(), nullptr, r.left, r.top, b.Width, b.Height, SWP_NOZORDER | SWP_NOACTIVATE);
    restoringBounds_ = false;
}

// A stored width equal to the column's design width stands for "as drawn": it is shown at
// the window's DPI, and a column still at that scaled width is reported as the design width
// again, so that the default follows the monitor. Any other width is the user's, in pixels.
int MainWindow::ColumnWidth(int column) const {
    const int width = ListView_GetColumnWidth(list_, column);
    const bool known = column >= 0 && column < kColumnCount;
    return known && width == Scale(kDesignColumnWidths[column]) ? kDesignColumnWidths[column] : width;
}

void MainWindow::SetColumnWidth(int column, int width) {
    const bool known = column >= 0 && column < kColumnCount;
    ListView_SetColumnWidth(list_, column, known && width == kDesignColumnWidths[column] ? Scale(width) : width);
}

int MainWindow::ListTextHeight(std::string_view text) const {
    HDC dc = GetDC(list_);
    const HGDIOBJ old = SelectObject(dc, font_);
    const std::wstring wide = Widen(text);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
    return size.cy;
}

int MainWindow::CaptionStripHeight() const {
    return 2 * SystemMetricForDpi(SM_CYFRAME, fonts_.Dpi()) + SystemMetricForDpi(SM_CYCAPTION, fonts_.Dpi());
}

void MainWindow::Close() { PostMessageW(Handle(), WM_CLOSE, 0, 0); }

void MainWindow::BlockShutdown(std::string_view reason) { ShutdownBlockReasonCreate(Handle(), Widen(reason).c_str()); }

void MainWindow::AllowShutdown() { ShutdownBlockReasonDestroy(Handle()); }

void MainWindow::SetTimer(MainTimer timer, bool enabled) {
    if (enabled)
        StartTimer(timer, kTimerInterval);
    else
        KillTimer(Handle(), TimerId(timer));
}

void MainWindow::StartTimer(MainTimer timer, int milliseconds) {
    // Setting a running timer again starts its interval anew.
    ::SetTimer(Handle(), TimerId(timer), static_cast<UINT>(milliseconds), nullptr);
}

void MainWindow::PostPasteStep() { PostMessageA(Handle(), WM_PASTESTEP, 0, 0); }

void MainWindow::SetRowCount(int count) { ListView_SetItemCountEx(list_, count, LVSICF_NOSCROLL); }

void MainWindow::SelectRow(int row) {
    ListView_SetItemState(list_, row, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list_, row, LVIS_FOCUSED, LVIS_FOCUSED);
    ListView_EnsureVisible(list_, row, TRUE);
}

int MainWindow::SelectedRow() const { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }

int MainWindow::HitTest(int x, int y) const {
    LVHITTESTINFO hit{};
    hit.pt = {x, y};
    const int row = ListView_HitTest(list_, &hit);
    return (hit.flags & LVHT_ONITEM) != 0 ? row : -1;
}

int MainWindow::Top() const {
    RECT r{};
    GetWindowRect(list_, &r);
    MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r.top;
}

int MainWindow::Height() const {
    RECT r{};
    GetWindowRect(list_, &r);
    return r.bottom - r.top;
}

int MainWindow::PointerY() const {
    POINT at{};
    GetCursorPos(&at);
    ScreenToClient(list_, &at);
    return at.y;
}

void MainWindow::Scroll(int dy) { ListView_Scroll(list_, 0, dy); }

void MainWindow::ShowDropMark(const DropMark& mark) {
    // The list view's own insertion mark does not draw in report view: the window draws one.
    if (mark == dropMark_)
        return;
    const DropMark old = std::exchange(dropMark_, mark);
    for (const int row : {old.row, mark.row})
        if (row >= 0)
            ListView_RedrawItems(list_, row, row);
}

} // namespace tobrix::win32
