#include "controls/CellInfo.h"

#include "store/ItemDataList.h"

namespace tobrix {

void FillEntryCell(const TVirtualItem& item, int column, std::string_view password, CellInfo& cell) {
    switch (column) {
    case 0: cell.Text = item.Title; break;
    case 1: cell.Text = item.UserID; break;
    case 2: cell.Text = password; break;
    case 3: cell.Text = item.Memo; break;
    case 4: cell.Text = item.URL; break;
    default: cell.Text = {}; break;
    }
    cell.ImageIndex = item.ImageIndex;
    cell.State |= item.StateBits;
}

} // namespace tobrix
