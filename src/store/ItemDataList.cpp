#include "store/ItemDataList.h"

#include "common/Error.h"

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

void ItemDataList::Clear() {
    while (!items_.empty())
        items_.pop_back();
}

} // namespace tobrix
