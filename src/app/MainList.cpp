#include "app/MainList.h"

#include "app/MainState.h"
#include "app/MainUndo.h"
#include "common/Cp932Literal.h"
#include "common/Error.h"
#include "platform/Collation.h"
#include "store/ItemDataList.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tobrix {

namespace {

constexpr std::string_view kNoMatch = sjis<u8"一致する項目はありません">();
constexpr std::string_view kNoEntries =
    sjis<u8"アイテムはまだありません。Ctrl+A で追加するか、ファイル メニューの「パスワードCSVの取り込み」でブラウザーから取り込めます。">();
constexpr std::string_view kCount = sjis<u8"%s / %s 件">();

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

MainList::MainList(ListControl& control, SearchBox& search, ItemDataList& items, TSettings& settings,
                   MainState& state, const Collation& collation)
    : control_(control), search_(search), items_(items), settings_(settings), state_(state), collation_(collation) {}

int MainList::RowCount() const { return filtering_ ? static_cast<int>(rows_.size()) : items_.Count(); }

int MainList::EntryAt(int row) const {
    if (row < 0 || row >= RowCount())
        return -1;
    return filtering_ ? rows_[static_cast<std::size_t>(row)] : row;
}

int MainList::RowOf(int entry) const {
    if (entry < 0 || entry >= items_.Count())
        return -1;
    if (!filtering_)
        return entry;
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), entry);
    return at != rows_.end() && *at == entry ? static_cast<int>(at - rows_.begin()) : -1;
}

void MainList::lsvListVMGetItemInfo(int row, int column, CellInfo& cell) const {
    cell.Text = {};
    cell.Param = 0;
    const int entry = EntryAt(row);
    if (entry < 0)
        return;
    const TVirtualItem& item = items_.At(entry);
    FillEntryCell(item, column, item.MaskedPassword, cell);
}

void MainList::ShowRows() {
    const int rows = RowCount();
    control_.SetRowCount(rows);
    control_.SetEmptyText(rows > 0 ? std::string_view() : items_.Count() == 0 ? kNoEntries : kNoMatch);
    search_.ShowCount(filtering_ ? Substitute(kCount, {std::to_string(rows), std::to_string(items_.Count())})
                                 : std::string());
}

void MainList::SelectRowOf(int row) {
    control_.SelectRow(row);
    const int entry = EntryAt(row);
    if (state_.Destroying || entry < 0)
        return;
    if (entry != state_.SelIndex)
        state_.EndPaste(); // another entry in the row the control had selected already
    state_.SelIndex = entry;
    UpdatePasswordMask(entry, true);
}

void MainList::RefreshList(int index) {
    const int count = items_.Count();
    index_.Clear();
    if (filtering_ && index >= 0 && index < count) {
        const auto at = std::lower_bound(rows_.begin(), rows_.end(), index);
        if (at == rows_.end() || *at != index)
            rows_.insert(at, index);
    }
    ShowRows();
    const int rows = RowCount();
    if (rows == 0)
        return;
    control_.SelectRow(index >= count ? rows - 1 : RowOf(index));
}

void MainList::EntryRemoved(int index) {
    int row = index;
    if (filtering_) {
        const auto at = std::lower_bound(rows_.begin(), rows_.end(), index);
        row = static_cast<int>(at - rows_.begin());
        if (at != rows_.end() && *at == index)
            rows_.erase(at);
        for (auto later = rows_.begin() + row; later != rows_.end(); ++later)
            --*later;
    }
    index_.Clear();
    state_.SelIndex = -1; // nothing left to mask of the entry that went
    ShowRows();
    const int rows = RowCount();
    if (rows > 0)
        SelectRowOf(std::min(row, rows - 1));
}

void MainList::EntriesChanged(int index) {
    index_.Clear();
    if (filtering_)
        rows_ = MatchingEntries();
    RefreshList(index);
    const int row = index >= items_.Count() ? RowCount() - 1 : RowOf(index);
    if (row >= 0)
        SelectRowOf(row);
}

void MainList::lsvListSelectItem(int row, bool selected) {
    state_.EndPaste();
    if (state_.Destroying)
        return;
    if (selected) {
        state_.SelIndex = EntryAt(row);
    } else if (state_.SelIndex == items_.Count()) {
        // The last entry was removed: the one before it is the one to mask.
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
    std::vector<std::uint32_t> order = items_.SortByKeys(std::move(keys), direction);
    if (undo_ != nullptr)
        undo_->Sorted(std::move(order));
    sortOrder_[column] = -direction;
    state_.SetModified(); // also when nothing moved
    index_.Clear();
    if (filtering_)
        rows_ = MatchingEntries();
    RemaskAll();
}

void MainList::RemaskAll() {
    const int rows = RowCount();
    int row = std::min(control_.SelectedRow(), rows - 1);
    const int selected = EntryAt(row);
    for (int i = 0; i < items_.Count(); ++i)
        UpdatePasswordMask(i, i == selected);
    if (selected >= 0)
        state_.SelIndex = selected;
    ShowRows();
    if (row >= 0 && control_.SelectedRow() != row)
        control_.SelectRow(row);
}

std::vector<int> MainList::MatchingEntries() {
    if (!searchHoldable_)
        return {};
    if (!index_.Holds(items_.Count()))
        index_.Build(items_, collation_);
    std::vector<std::string> words;
    for (const std::string_view word : SearchWords(searchText_))
        words.push_back(collation_.SearchFold(word));
    return index_.Find(words);
}

void MainList::ApplyFilter() {
    const int before = SelectedEntry(); // by the rows shown so far
    filtering_ = !SearchWords(searchText_).empty();
    rows_ = filtering_ ? MatchingEntries() : std::vector<int>();
    ShowRows();
    const int row = RowOf(before);
    if (before >= 0 && row < 0)
        UpdatePasswordMask(before, false);
    if (RowCount() == 0) {
        state_.EndPaste();
        state_.SelIndex = -1;
        return;
    }
    SelectRowOf(row >= 0 ? row : 0);
}

void MainList::edtSearchChange(std::string_view text, bool holdable) {
    if (text == searchText_ && holdable == searchHoldable_)
        return;
    const bool had = filtering_;
    searchText_ = text;
    searchHoldable_ = holdable;
    if (had || !SearchWords(searchText_).empty())
        ApplyFilter(); // spaces alone change nothing
}

void MainList::edtSearchEnter() {
    if (!index_.Holds(items_.Count()))
        index_.Build(items_, collation_);
}

void MainList::edtSearchKeyDown(SearchKey key) {
    if (key == SearchKey::Escape && !searchText_.empty()) {
        search_.Clear();
        return;
    }
    if (key != SearchKey::Escape && control_.SelectedRow() < 0 && RowCount() > 0)
        SelectRowOf(0);
    search_.FocusList();
}

void MainList::ClearFilter() {
    if (searchText_.empty() && !filtering_)
        return;
    searchText_.clear();
    searchHoldable_ = true;
    search_.Clear(); // its change comes back with the text already taken
    ApplyFilter();
}

void MainList::Drop() {
    index_.Clear();
    rows_.clear();
    filtering_ = false;
    searchText_.clear();
    searchHoldable_ = true;
    search_.Clear(); // its change comes back with the text already taken
    state_.SelIndex = -1;
    ShowRows();
    control_.SetEmptyText({});
}

void MainList::Restore(const Moment& moment) {
    if (!moment.searchText.empty()) {
        search_.SetText(moment.searchText); // comes back as the field's change
        edtSearchChange(moment.searchText);
    }
    ShowRows();
    if (RowCount() == 0)
        return;
    const int row = RowOf(moment.entry);
    control_.ScrollToTop(moment.topRow);
    SelectRowOf(row >= 0 ? row : 0);
}

void MainList::UpdatePasswordMask(int i, bool showPlain) {
    TVirtualItem& item = items_.At(i);
    item.MaskedPassword = MaskFor(item.Password, settings_.HidePass, showPlain);
}

} // namespace tobrix
