#pragma once
// The main window's list of entries: an owner-data list that asks for each cell by row
// and column and holds no rows of its own. With a search text, the rows are the entries
// that match it; this is the one place where rows and entries are mapped onto each other.
// Everything else speaks of entries by their index in the ItemList.

#include "app/MainSearch.h"
#include "app/MainView.h"
#include "controls/CellInfo.h"
#include "store/Data.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix {

class Collation;
class ItemDataList;
class MainUndo;
struct MainState;

class MainList {
public:
    MainList(ListControl& control, SearchBox& search, ItemDataList& items, TSettings& settings, MainState& state,
             const Collation& collation);

    // Answers one cell request; a row outside the list or a sixth column gets empty text.
    void lsvListVMGetItemInfo(int row, int column, CellInfo& cell) const;

    // Brings the control up to date after a change of the entries: new row count without
    // scrolling, then (when there are rows) the row of entry `index`, or the last row when
    // index is the entry count, selected, focused and scrolled into view. While a search
    // text is on, the entry is shown even when it does not match (an entry the user just
    // added or changed does not vanish under the hand).
    void RefreshList(int index);
    // The entry at `index` was removed from the ItemList (a continuous paste of it has ended):
    // the row after it, or the new last row, takes the selection.
    void EntryRemoved(int index);

    // The entries changed in number or order at once (a change taken back or made again): the
    // rows again, a search text applied anew, and entry `index` (the last row for Count())
    // selected with its password shown.
    void EntriesChanged(int index);
    // Where a sort is recorded, so that it can be taken back.
    void SetHistory(MainUndo* undo) { undo_ = undo; }

    // A row became selected or unselected. Ends a continuous paste; then, unless the window
    // is going away, records the selected entry and shows its password plain, or masks the
    // password of the entry that lost the selection.
    void lsvListSelectItem(int row, bool selected);

    // The masked-password rule for the entry at index i.
    void UpdatePasswordMask(int i, bool showPlain);
    // Every entry's mask again (hiding switched), then a new row count so that the control
    // draws them; the selection stays.
    void RemaskAll();

    // The entry of the selected row, or -1.
    int SelectedEntry() const { return EntryAt(control_.SelectedRow()); }
    // The entry a row shows, or -1 for none; the row showing an entry, or -1.
    int EntryAt(int row) const;
    int RowOf(int entry) const;
    int RowCount() const;

    // A header click sorts the whole list by that column in the user's locale order (the
    // password column by the plain passwords): ascending first, then each click on the same
    // column turns its direction. The search text is applied again. The selection stays on
    // its row, and the masks follow it.
    void lsvListColumnClick(int column);

    // Every column back to ascending.
    void ResetSortOrder();
    std::int32_t SortOrder(int column) const { return sortOrder_[column]; }
    std::int32_t SortColumn() const { return sortColumn_; }

    // The search field's text changed (typed, pasted, deleted, an input method's text
    // committed). `holdable` is false for a text with a character that code page 932 cannot
    // hold, which no entry holds either. The rows become the entries, in list order, whose
    // title, user ID, memo or address holds each word of it; the password is never searched.
    // The selected entry stays selected while it is shown, else the first row is.
    void edtSearchChange(std::string_view text, bool holdable = true);
    // The search field got the focus: the folded fields are made now, before the first key.
    void edtSearchEnter();
    enum class SearchKey { Escape, Down, Enter };
    // A key in the search field: Esc empties it, or in an empty field moves the focus back to
    // the list; Down and Enter move the focus to the list's selected row.
    void edtSearchKeyDown(SearchKey key);
    // Back to every entry, the field emptied.
    void ClearFilter();
    // Whether a search text narrows the rows.
    bool Filtering() const { return filtering_; }
    // What the list shows, kept while the window is locked: no text of an entry.
    struct Moment {
        int entry = -1; // selected
        int topRow = 0;
        std::string searchText;
    };
    Moment Now() const { return {SelectedEntry(), control_.TopRow(), searchText_}; }
    // The entries are gone (the window locks): no row, no search text, the folded copies wiped.
    void Drop();
    // The entries are back (read again: some may differ): the search text, the selection and
    // the scroll position as they were, where the entries still reach.
    void Restore(const Moment& moment);

    // What the index holds, for the benchmark.
    const SearchIndex& Index() const { return index_; }

private:
    // Rows for the words of the search text, from the folded fields (made again when the
    // entries changed since).
    void ApplyFilter();
    std::vector<int> MatchingEntries();
    // The row count, the empty area's text and the search row's count, after the rows changed.
    void ShowRows();
    // Selects the row and records its entry, also when the control had it selected already.
    void SelectRowOf(int row);

    ListControl& control_;
    SearchBox& search_;
    ItemDataList& items_;
    TSettings& settings_;
    MainState& state_;
    const Collation& collation_;
    std::int32_t sortColumn_ = 0;
    std::int32_t sortOrder_[kColumnCount] = {1, 1, 1, 1, 1}; // +1 ascending, -1 descending; not saved
    std::string searchText_;     // as the field last reported it; never stored
    bool searchHoldable_ = true;
    bool filtering_ = false;     // the search text has a word
    std::vector<int> rows_;      // while filtering: the entry of each row, in list order
    SearchIndex index_;
    MainUndo* undo_ = nullptr;
};

} // namespace tobrix
