#include "win32/ListCells.h"

#include "store/Columns.h"
#include "win32/Encoding.h"
#include "win32/Fonts.h"

#include <algorithm>

namespace tobrix::win32 {

void AddEntryColumns(HWND list, int dpi) {
    for (int i = 0; i < kColumnCount; ++i) {
        std::wstring caption = Widen(kColumnCaptions[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = caption.data();
        column.cx = ScaleForDpi(kDesignColumnWidths[i], dpi);
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
}

void AnswerCellRequest(LVITEMW& item, const CellInfo& cell, std::wstring& buffer) {
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        buffer = Widen(cell.Text);
        const std::size_t n = std::min<std::size_t>(buffer.size(), static_cast<std::size_t>(item.cchTextMax - 1));
        buffer.copy(item.pszText, n);
        item.pszText[n] = L'\0';
    }
    if ((item.mask & LVIF_IMAGE) != 0)
        item.iImage = cell.ImageIndex;
    if ((item.mask & LVIF_PARAM) != 0)
        item.lParam = static_cast<LPARAM>(cell.Param);
    if ((item.mask & LVIF_STATE) != 0)
        item.state = cell.State;
}

} // namespace tobrix::win32
