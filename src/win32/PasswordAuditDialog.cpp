#include "win32/PasswordAuditDialog.h"

#include "common/Error.h"
#include "win32/Encoding.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

namespace tobrix::win32 {

namespace {

enum : int { kList = 1701, kCount, kChoose = IDOK, kClose = IDCANCEL };

constexpr int kColumnWidths[kAuditColumnCount] = {180, 130, 170}; // 96-DPI pixels

} // namespace

void PasswordAuditDialog::Run(HWND owner) { RunModal(owner, 520, 312); }

bool PasswordAuditDialog::OnInit() {
    SetWindowTextW(Handle(), Widen(kAuditCaption).c_str());
    presenter_.Attach(*this);
    presenter_.FormShow();
    const int count = presenter_.RowCount();
    const std::string summary = count == 0 ? std::string(sjis<u8"気になるパスワードはありません。">())
                                           : Substitute(sjis<u8"%s 件（ダブルクリックか Enter でその項目を選択）">(),
                                                        std::to_string(count));
    CreateControls(
        {
            {kList, WC_LISTVIEWW, L"", 8, 8, 504, 256,
             WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE},
            {kCount, WC_STATICW, Widen(summary), 8, 276, 410, 25, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX},
            {kClose, WC_BUTTONW, Widen(sjis<u8"閉じる">()), 437, 276, 75, 25, WS_TABSTOP | BS_PUSHBUTTON},
        },
        MakeFont(13));
    const HWND list = Item(kList);
    ListView_SetExtendedListViewStyle(list, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (int i = 0; i < kAuditColumnCount; ++i) {
        std::wstring caption = Widen(kAuditColumns[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = caption.data();
        column.cx = Scale(kColumnWidths[i]);
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
    ListView_SetItemCountEx(list, count, LVSICF_NOSCROLL);
    if (count > 0) {
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        SetFocus(list);
    } else {
        SetFocus(Item(kClose));
    }
    return false;
}

int PasswordAuditDialog::SelectedRow() const {
    return ListView_GetNextItem(Item(kList), -1, LVNI_SELECTED);
}

bool PasswordAuditDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_NCDESTROY: presenter_.Detach(); return false;
    case WM_COMMAND:
        // Enter anywhere in the dialog (it has no default button) chooses the selected row.
        if (LOWORD(wParam) == kChoose) {
            if (GetFocus() == Item(kList))
                presenter_.lsvReportChoose(SelectedRow());
            return true;
        }
        if (LOWORD(wParam) == kClose) {
            Close();
            return true;
        }
        return false;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.idFrom != kList)
            return false;
        if (header.code == NM_DBLCLK) {
            presenter_.lsvReportChoose(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
            return true;
        }
        if (header.code != LVN_GETDISPINFOW)
            return false;
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
        if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
            cellText_ = Widen(presenter_.CellText(item.iItem, item.iSubItem));
            const std::size_t n = std::min<std::size_t>(cellText_.size(), static_cast<std::size_t>(item.cchTextMax - 1));
            cellText_.copy(item.pszText, n);
            item.pszText[n] = L'\0';
        }
        return true;
    }
    default: return false;
    }
}

} // namespace tobrix::win32
