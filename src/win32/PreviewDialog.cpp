#include "win32/PreviewDialog.h"

#include "win32/Encoding.h"
#include "win32/HighContrast.h"
#include "win32/ListCells.h"

#include <commctrl.h>

#include <algorithm>

namespace tobrix::win32 {

namespace {

enum : int { kList = 1401, kQuestion, kNotice, kOK = IDOK, kCancel = IDCANCEL };

// 96-DPI pixels of the design.
constexpr int kClientWidth = 827, kClientHeight = 529;
constexpr int kPanelHeight = 37, kNoticeHeight = 20;
constexpr int kButtonWidth = 75, kButtonHeight = 25, kMargin = 8;

} // namespace

void PreviewDialog::Run(HWND owner) {
    // Resizable, without a system menu and so without a close box.
    RunModal(owner, kClientWidth, kClientHeight, WS_POPUP | WS_CAPTION | WS_THICKFRAME | DS_MODALFRAME | DS_CENTER);
}

void PreviewDialog::SetRowCount(int count) { ListView_SetItemCountEx(Item(kList), count, LVSICF_NOSCROLL); }

int PreviewDialog::NoticeLines() const {
    const std::string& notice = presenter_.Notice;
    return notice.empty() ? 0 : 1 + static_cast<int>(std::count(notice.begin(), notice.end(), '\n'));
}

int PreviewDialog::PanelHeight() const {
    return Scale(kPanelHeight + kNoticeHeight * NoticeLines());
}

bool PreviewDialog::OnInit() {
    SetWindowTextW(Handle(), Widen(kPreviewCaption).c_str());
    presenter_.Attach(*this);
    HFONT font = MakeFont(13);
    // Read-only, and nothing to select in particular: no sorting, no editing, one row.
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                                    LVS_SHOWSELALWAYS,
                                0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kList)),
                                GetModuleHandleW(nullptr), nullptr);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ListView_SetExtendedListViewStyle(list, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    AddEntryColumns(list, Dpi());
    // Positions are set by Layout.
    CreateControls(
        {
            {kNotice, WC_STATICW, Widen(presenter_.Notice), 0, 0, 0, 0, SS_LEFT | SS_NOPREFIX},
            {kQuestion, WC_STATICW, Widen(kPreviewQuestion), 0, 0, 0, 0, SS_LEFT | SS_CENTERIMAGE},
            {kOK, WC_BUTTONW, Widen(kPreviewOK), 0, 0, 0, 0, WS_TABSTOP | BS_DEFPUSHBUTTON},
            {kCancel, WC_BUTTONW, Widen(kPreviewCancel), 0, 0, 0, 0, WS_TABSTOP | BS_PUSHBUTTON},
        },
        font);
    SendMessageW(Item(kQuestion), WM_SETFONT, reinterpret_cast<WPARAM>(MakeFont(13, false, FW_BOLD)), FALSE);
    if (presenter_.Notice.empty())
        ShowWindow(Item(kNotice), SW_HIDE);
    presenter_.FormShow();
    Layout();
    return true;
}

void PreviewDialog::Layout() {
    RECT client;
    GetClientRect(Handle(), &client);
    const int panel = PanelHeight();
    const int panelTop = client.bottom - panel;
    MoveWindow(Item(kList), 0, 0, client.right, panelTop, TRUE);
    const int buttonTop = client.bottom - Scale((kPanelHeight + kButtonHeight) / 2);
    const int cancelLeft = client.right - Scale(kMargin + kButtonWidth);
    const int okLeft = cancelLeft - Scale(kMargin + kButtonWidth);
    MoveWindow(Item(kCancel), cancelLeft, buttonTop, Scale(kButtonWidth), Scale(kButtonHeight), TRUE);
    MoveWindow(Item(kOK), okLeft, buttonTop, Scale(kButtonWidth), Scale(kButtonHeight), TRUE);
    MoveWindow(Item(kNotice), Scale(kMargin), panelTop + Scale(4), client.right - Scale(2 * kMargin),
               Scale(kNoticeHeight * NoticeLines() - 4), TRUE);
    MoveWindow(Item(kQuestion), Scale(kMargin), buttonTop, okLeft - Scale(2 * kMargin), Scale(kButtonHeight), TRUE);
    InvalidateRect(Handle(), nullptr, TRUE);
}

bool PreviewDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_NCDESTROY: presenter_.Detach(); return false;
    case WM_COMMAND:
        if (LOWORD(wParam) == kOK && HIWORD(wParam) == BN_CLICKED) {
            presenter_.cmdOKClick();
            return true;
        }
        if (LOWORD(wParam) == kCancel) { // the button, Esc, or the window closed another way
            presenter_.cmdCancelClick();
            return true;
        }
        return false;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.idFrom != kList || header.code != LVN_GETDISPINFOW)
            return false;
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
        CellInfo cell;
        cell.State = item.state;
        presenter_.lsvPreviewVMGetItemInfo(item.iItem, item.iSubItem, cell);
        AnswerCellRequest(item, cell, cellText_);
        return true;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) != Item(kQuestion))
            return false;
        SetTextColor(reinterpret_cast<HDC>(wParam),
                     TextColor(TextKind::DialogText, RGB(0, 0, 255), HighContrastOn()));
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        result = reinterpret_cast<LRESULT>(face_);
        return true;
    case WM_SIZE:
        Layout();
        return true;
    case WM_GETMINMAXINFO: {
        // Room for the question and both buttons.
        auto& limits = *reinterpret_cast<MINMAXINFO*>(lParam);
        limits.ptMinTrackSize.x = Scale(360);
        limits.ptMinTrackSize.y = Scale(160);
        return true;
    }
    case WM_PAINT: {
        // The panel's lowered bevel.
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(Handle(), &paint);
        RECT client;
        GetClientRect(Handle(), &client);
        RECT panel{0, client.bottom - PanelHeight(), client.right, client.bottom};
        DrawEdge(dc, &panel, BDR_SUNKENOUTER, BF_RECT);
        EndPaint(Handle(), &paint);
        return true;
    }
    default: return false;
    }
}

} // namespace tobrix::win32
