#include "win32/MainWindow.h"

#include "app/Identity.h"
#include "common/Error.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "win32/AboutDialog.h"
#include "win32/Encoding.h"
#include "win32/SubDialog.h"
#include "win32/Win32Platform.h"
#include "win32/resource.h"

#include <windowsx.h>

#include <algorithm>

namespace tobrix::win32 {

namespace {

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

} // namespace

MainWindow::MainWindow(HINSTANCE instance, const MainServices& services, OwnerWindow& main, FilePath exePath)
    : instance_(instance), main_(main), presenter_(*this, services, ItemList, Settings, std::move(exePath)),
      dpi_(ScreenDpi()), commands_(instance, [this](int pixels) { return Scale(pixels); }) {}

MainWindow::~MainWindow() {
    if (Handle() != nullptr)
        DestroyWindow(Handle());
    if (font_ != nullptr)
        DeleteObject(font_);
}

bool MainWindow::Create(int showCommand) {
    const std::wstring className = Widen(kMainWindowClass);
    WNDCLASSEXW wc{};
    wc.hInstance = instance_;
    wc.lpszClassName = className.c_str();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_TOBRIX));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TOBRIX), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    if (!RegisterClassOnce(wc))
        return false;
    // Declared with the platform's default placement; FormCreate applies stored geometry.
    if (CreateWindowFor(0, className.c_str(), Widen(kAppTitle).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, commands_.TakeMenuBar(),
                        instance_) == nullptr)
        return false;
    ShowWindow(Handle(), showCommand);
    UpdateWindow(Handle());
    return true;
}

bool MainWindow::TranslateShortcut(MSG& message) { return commands_.TranslateShortcut(Handle(), message); }

void MainWindow::OnIdle() {
    if (Handle() != nullptr && IsWindowEnabled(Handle()) && IsWindowVisible(Handle()))
        commands_.EnableToolBar([this](CommandId id) { return presenter_.Update(id); });
}

void MainWindow::OnCreate() {
    main_.hwnd = Handle();
    font_ = CreateFontW(-Scale(13), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                        Widen(kFormFontFace).c_str());
    commands_.CreateToolBar(Handle());
    CreateList();
    presenter_.FormCreate();
}

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
    for (int i = 0; i < kColumnCount; ++i) {
        std::wstring caption = Widen(kColumnCaptions[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = caption.data();
        column.cx = kDesignColumnWidths[i];
        column.iSubItem = i;
        ListView_InsertColumn(list_, i, &column);
    }
    Layout();
}

void MainWindow::Layout() {
    if (list_ == nullptr)
        return;
    RECT client;
    GetClientRect(Handle(), &client);
    const int top = commands_.FitToolBar();
    MoveWindow(list_, 0, top, client.right, std::max<LONG>(client.bottom - top, 0), TRUE);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_SHOWWINDOW:
        if (wParam && !shown_) {
            shown_ = true;
            presenter_.FormShow();
        }
        break;
    case WM_SIZE: Layout(); return 0;
    case WM_SETFOCUS:
        if (list_ != nullptr)
            SetFocus(list_);
        return 0;
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return 0;
    case WM_INITMENUPOPUP:
        commands_.EnableMenu(reinterpret_cast<HMENU>(wParam), [this](CommandId id) { return presenter_.Update(id); });
        return 0;
    case WM_MEASUREITEM:
        if (commands_.MeasureMenuImage(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_DRAWITEM:
        if (commands_.DrawMenuImage(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_CONTEXTMENU: OnContextMenu(reinterpret_cast<HWND>(wParam), lParam); return 0;
    case WM_NCLBUTTONDBLCLK:
        if (presenter_.Options().NonClientDoubleClick(GET_Y_LPARAM(lParam)))
            return 0; // the shade's: no maximising or closing
        break;
    case WM_GETMINMAXINFO:
        // The shade rolls the window up to its caption strip, lower than Windows would let a
        // window be made.
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize.y = CaptionStripHeight();
        return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            presenter_.SessionEnding();
        return 0;
    case WM_DESTROY:
        main_.hwnd = nullptr;
        presenter_.FormDestroy();
        PostQuitMessage(0);
        return 0;
    default: break;
    }
    return DefaultHandling(message, wParam, lParam);
}

void MainWindow::ReportUnhandled(const std::exception& e) { ReportError(e); }

void MainWindow::ReportError(const std::exception& e) { presenter_.ShowError(MessageOf(e)); }

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
        if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
            cellText_ = Widen(cell.Text);
            const std::size_t n = std::min<std::size_t>(cellText_.size(), static_cast<std::size_t>(item.cchTextMax - 1));
            cellText_.copy(item.pszText, n);
            item.pszText[n] = L'\0';
        }
        if ((item.mask & LVIF_IMAGE) != 0)
            item.iImage = cell.ImageIndex;
        if ((item.mask & LVIF_PARAM) != 0)
            item.lParam = static_cast<LPARAM>(cell.Param);
        if ((item.mask & LVIF_STATE) != 0)
            item.state = cell.State;
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

void MainWindow::OnContextMenu(HWND from, LPARAM at) {
    if (from != list_)
        return;
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (at == -1) {
        // From the keyboard: beside the selected row, or at the list's corner.
        RECT row{};
        const int selected = SelectedRow();
        if (selected < 0 || !ListView_GetItemRect(list_, selected, &row, LVIR_LABEL))
            row = {};
        point = {row.left, row.bottom};
        ClientToScreen(list_, &point);
    }
    commands_.ShowContextMenu(Handle(), point);
}

void MainWindow::RunSubDialog(TfrmSub& sub) {
    SubDialog dialog(sub, [this](const std::exception& e) { ReportError(e); });
    dialog.Run(Handle());
}

void MainWindow::RunAboutDialog(TfrmAbout& about) {
    AboutDialog dialog(about, [this](const std::exception& e) { ReportError(e); });
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
    SetWindowPos(Handle(), nullptr, r.left, r.top, b.Width, b.Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int MainWindow::ColumnWidth(int column) const { return ListView_GetColumnWidth(list_, column); }

void MainWindow::SetColumnWidth(int column, int width) { ListView_SetColumnWidth(list_, column, width); }

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
    return 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
}

void MainWindow::Close() { PostMessageW(Handle(), WM_CLOSE, 0, 0); }

void MainWindow::SetRowCount(int count) { ListView_SetItemCountEx(list_, count, LVSICF_NOSCROLL); }

void MainWindow::SelectRow(int row) {
    ListView_SetItemState(list_, row, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list_, row, LVIS_FOCUSED, LVIS_FOCUSED);
    ListView_EnsureVisible(list_, row, TRUE);
}

int MainWindow::SelectedRow() const { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }

} // namespace tobrix::win32
