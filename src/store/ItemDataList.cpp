#include "store/ItemDataList.h"

#include "common/Error.h"
#include "common/Secret.h"

#include <iterator>

namespace tobrix {

ItemDataList ItemList;

std::string MaskOf(std::string_view password) { return std::string(password.size(), '*'); }

std::string MaskFor(std::string_view password, bool hidePass, bool showPlain) {
    return !hidePass || showPlain ? std::string(password) : MaskOf(password);
}

void WipeEntry(TVirtualItem& item) {
    for (std::string* text : {&item.Title, &item.UserID, &item.Password, &item.MaskedPassword, &item.Memo, &item.URL})
        Wipe(*text);
}

std::size_t TextBytes(const TVirtualItem& item) {
    return item.Title.size() + item.UserID.size() + item.Password.size() + item.Memo.size() + item.URL.size();
}

ItemDataList::~ItemDataList() { Clear(); }

void ItemDataList::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw AppError("List index out of bounds (" + std::to_string(index) + ")");
}

TVirtualItem& ItemDataList::At(int index) {
    CheckIndex(index);
    return *items_[static_cast<std::size_t>(index)];
}

const TVirtualItem& ItemDataList::At(int index) const {
    CheckIndex(index);
    return *items_[static_cast<std::size_t>(index)];
}

int ItemDataList::Append(std::unique_ptr<TVirtualItem> item) {
    items_.push_back(std::move(item));
    return Count() - 1;
}

TVirtualItem& ItemDataList::AppendNew() {
    items_.push_back(std::make_unique<TVirtualItem>());
    return *items_.back();
}

void ItemDataList::Remove(int index) {
    CheckIndex(index);
    items_.erase(items_.begin() + index);
}

void ItemDataList::Insert(int index, std::unique_ptr<TVirtualItem> item) {
    if (index != Count())
        CheckIndex(index);
    items_.insert(items_.begin() + index, std::move(item));
}

std::unique_ptr<TVirtualItem> ItemDataList::Take(int index) {
    CheckIndex(index);
    auto item = std::move(items_[static_cast<std::size_t>(index)]);
    items_.erase(items_.begin() + index);
    return item;
}

void ItemDataList::InsertRange(int index, std::vector<std::unique_ptr<TVirtualItem>> entries) {
    if (index != Count())
        CheckIndex(index);
    items_.insert(items_.begin() + index, std::make_move_iterator(entries.begin()),
                  std::make_move_iterator(entries.end()));
}

std::vector<std::unique_ptr<TVirtualItem>> ItemDataList::TakeRange(int first, int count) {
    if (count <= 0)
        return {};
    CheckIndex(first);
    CheckIndex(first + count - 1);
    const auto begin = items_.begin() + first;
    std::vector<std::unique_ptr<TVirtualItem>> taken(std::make_move_iterator(begin),
                                                     std::make_move_iterator(begin + count));
    items_.erase(begin, begin + count);
    return taken;
}

void ItemDataList::Move(int from, int to) {
    CheckIndex(from);
    CheckIndex(to);
    auto item = std::move(items_[static_cast<std::size_t>(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(item));
}

std::vector<std::uint32_t> ItemDataList::SortByKeys(std::vector<std::string> keys, int sign) {
    if (keys.size() != items_.size())
        throw AppError("Sort keys do not match the list");
    std::vector<std::uint32_t> order = Positions();
    QuickSortMiddlePivot(order, [&](std::uint32_t a, std::uint32_t b) {
        const int c = keys[a].compare(keys[b]);
        return c < 0 ? -sign : c > 0 ? sign : 0;
    });
    Reorder(order);
    return order;
}

void ItemDataList::Arrange(const std::vector<std::uint32_t>& order, bool back) {
    if (order.size() != items_.size())
        throw AppError("The order does not match the list");
    if (!back) {
        Reorder(order);
        return;
    }
    std::vector<std::unique_ptr<TVirtualItem>> before(items_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        before[order[i]] = std::move(items_[i]);
    items_ = std::move(before);
}

std::vector<std::uint32_t> ItemDataList::Positions() const {
    std::vector<std::uint32_t> order(items_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<std::uint32_t>(i);
    return order;
}

void ItemDataList::Reorder(const std::vector<std::uint32_t>& order) {
    std::vector<std::unique_ptr<TVirtualItem>> sorted;
    sorted.reserve(items_.size());
    for (std::uint32_t i : order)
        sorted.push_back(std::move(items_[i]));
    items_ = std::move(sorted);
}

void ItemDataList::Clear() {
    while (!items_.empty()) {
        WipeEntry(*items_.back());
        items_.pop_back();
    }
}

} // namespace tobrix
