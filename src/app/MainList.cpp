#include "app/MainList.h"

#include "app/MainState.h"
#include "store/ItemDataList.h"

namespace tobrix {

MainList::MainList(ListControl& control, ItemDataList& items, TSettings& settings, MainState& state)
    : control_(control), items_(items), settings_(settings), state_(state) {}

void MainList::lsvListVMGetItemInfo(int row, int column, CellInfo& cell) const {
    cell.Text = {};
    cell.Param = 0;
    if (row < 0 || row >= items_.Count())
        return;
    const TVirtualItem& item = items_.At(row);
    switch (column) {
    case 0: cell.Text = item.Title; break;
    case 1: cell.Text = item.UserID; break;
    case 2: cell.Text = item.MaskedPassword; break;
    case 3: cell.Text = item.Memo; break;
    case 4: cell.Text = item.URL; break;
    default: break;
    }
    cell.ImageIndex = item.ImageIndex;
    cell.State |= item.StateBits;
}

void MainList::RefreshList(int index) {
    const int count = items_.Count();
    control_.SetRowCount(count);
    if (count == 0)
        return;
    if (index == count)
        index = count - 1;
    control_.SelectRow(index);
}

} // namespace tobrix

namespace tobrix {

void MainList::lsvListSelectItem(int item, bool selected) {
    state_.PasteStep = 0;
    if (state_.Destroying)
        return;
    if (selected) {
        state_.SelIndex = item;
    } else if (state_.SelIndex == items_.Count()) {
        // The last row was removed: the row before it is the one to mask.
        state_.SelIndex = state_.SelIndex - 1;
    }
    const int i = state_.SelIndex;
    if (i >= 0 && i < items_.Count())
        UpdatePasswordMask(i, selected);
}

void MainList::UpdatePasswordMask(int i, bool showPlain) {
    TVirtualItem& item = items_.At(i);
    item.MaskedPassword = MaskFor(item.Password, settings_.HidePass, showPlain);
}

} // namespace tobrix
