#include "store/ItemDataList.h"

#include "common/Error.h"
#include "common/Secret.h"

namespace tobrix {

ItemDataList ItemList;

std::string MaskOf(std::string_view password) { return std::string(password.size(), '*'); }

std::string MaskFor(std::string_view password, bool hidePass, bool showPlain) {
    return !hidePass || showPlain ? std::string(password) : MaskOf(password);
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

void ItemDataList::Move(int from, int to) {
    CheckIndex(from);
    CheckIndex(to);
    auto item = std::move(items_[static_cast<std::size_t>(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(item));
}

void ItemDataList::SortByKeys(std::vector<std::string> keys, int sign) {
    if (keys.size() != items_.size())
        throw AppError("Sort keys do not match the list");
    std::vector<std::size_t> order = Positions();
    QuickSortMiddlePivot(order, [&](std::size_t a, std::size_t b) {
        const int c = keys[a].compare(keys[b]);
        return c < 0 ? -sign : c > 0 ? sign : 0;
    });
    Reorder(order);
}

std::vector<std::size_t> ItemDataList::Positions() const {
    std::vector<std::size_t> order(items_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    return order;
}

void ItemDataList::Reorder(const std::vector<std::size_t>& order) {
    std::vector<std::unique_ptr<TVirtualItem>> sorted;
    sorted.reserve(items_.size());
    for (std::size_t i : order)
        sorted.push_back(std::move(items_[i]));
    items_ = std::move(sorted);
}

void ItemDataList::Clear() {
    while (!items_.empty()) {
        TVirtualItem& item = *items_.back();
        for (std::string* text : {&item.Title, &item.UserID, &item.Password, &item.MaskedPassword, &item.Memo, &item.URL})
            Wipe(*text);
        items_.pop_back();
    }
}

} // namespace tobrix
