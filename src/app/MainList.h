#pragma once
// The main window's list of entries: an owner-data list that asks for each cell by row
// and column and holds no rows of its own.

#include "app/MainView.h"
#include "controls/CellInfo.h"
#include "store/Data.h"

#include <cstdint>
#include <string_view>

namespace tobrix {

class Collation;
class ItemDataList;
struct MainState;

class MainList {
public:
    MainList(ListControl& control, ItemDataList& items, TSettings& settings, MainState& state,
             const Collation& collation);

    // Answers one cell request; a row outside the list or a sixth column gets empty text.
    void lsvListVMGetItemInfo(int row, int column, CellInfo& cell) const;

    // Brings the control up to date after a change of the entries: new row count without
    // scrolling, then (when there are entries) row `index`, or the last row when index
    // equals the count, selected, focused and scrolled into view.
    void RefreshList(int index);

    // A row became selected or unselected. Ends a continuous paste; then, unless the window
    // is going away, records the selected row and shows its password plain, or masks the
    // password of the row that lost the selection.
    void lsvListSelectItem(int item, bool selected);

    // The masked-password rule for the entry at index i.
    void UpdatePasswordMask(int i, bool showPlain);
    // Every row's mask again (hiding switched), then a new row count so that the control
    // draws them; the selection stays.
    void RemaskAll();

    // The selected row, or -1.
    int SelectedRow() const { return control_.SelectedRow(); }

    // A header click sorts the whole list by that column in the user's locale order (the
    // password column by the plain passwords): ascending first, then each click on the same
    // column turns its direction. The selection stays on its row, and the masks follow it.
    void lsvListColumnClick(int column);

    // Every column back to ascending.
    void ResetSortOrder();
    std::int32_t SortOrder(int column) const { return sortOrder_[column]; }
    std::int32_t SortColumn() const { return sortColumn_; }

private:
    ListControl& control_;
    ItemDataList& items_;
    TSettings& settings_;
    MainState& state_;
    const Collation& collation_;
    std::int32_t sortColumn_ = 0;
    std::int32_t sortOrder_[kColumnCount] = {1, 1, 1, 1, 1}; // +1 ascending, -1 descending; not saved
};

} // namespace tobrix
