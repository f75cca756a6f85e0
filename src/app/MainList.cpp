#include "app/MainList.h"

#include "app/MainState.h"
#include "platform/Collation.h"
#include "store/ItemDataList.h"

#include <string>
#include <vector>

namespace tobrix {

MainList::MainList(ListControl& control, ItemDataList& items, TSettings& settings, MainState& state,
                   const Collation& collation)
    : control_(control), items_(items), settings_(settings), state_(state), collation_(collation) {}

namespace {

const std::string& SortKeyField(const TVirtualItem& item, int column) {
    switch (column) {
    case 0: return item.Title;
    case 1: return item.UserID;
    case 2: return item.Password; // the plain password, whatever the column shows
    case 3: return item.Memo;
    default: return item.URL;
    }
}

} // namespace

void MainList::lsvListVMGetItemInfo(int row, int column, CellInfo& cell) const {
    cell.Text = {};
    cell.Param = 0;
    if (row < 0 || row >= items_.Count())
        return;
    const TVirtualItem& item = items_.At(row);
    FillEntryCell(item, column, item.MaskedPassword, cell);
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
    state_.EndPaste();
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

void MainList::ResetSortOrder() {
    for (std::int32_t& order : sortOrder_)
        order = 1;
}

void MainList::lsvListColumnClick(int column) {
    if (column < 0 || column >= kColumnCount)
        return;
    sortColumn_ = column;
    const std::int32_t direction = sortOrder_[column];
    // One locale key per entry, then byte comparisons: the same order as comparing the texts
    // pairwise, at a fraction of the cost.
    std::vector<std::string> keys;
    keys.reserve(static_cast<std::size_t>(items_.Count()));
    for (int i = 0; i < items_.Count(); ++i)
        keys.push_back(collation_.SortKey(SortKeyField(items_.At(i), column)));
    items_.SortByKeys(std::move(keys), direction);
    sortOrder_[column] = -direction;
    state_.SetModified(); // also when nothing moved
    RemaskAll();
}

void MainList::RemaskAll() {
    const int selected = control_.SelectedRow();
    for (int i = 0; i < items_.Count(); ++i)
        UpdatePasswordMask(i, i == selected);
    control_.SetRowCount(items_.Count());
}

void MainList::UpdatePasswordMask(int i, bool showPlain) {
    TVirtualItem& item = items_.At(i);
    item.MaskedPassword = MaskFor(item.Password, settings_.HidePass, showPlain);
}

} // namespace tobrix
