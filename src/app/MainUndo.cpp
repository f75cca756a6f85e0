#include "app/MainUndo.h"

#include "app/MainList.h"
#include "app/MainState.h"
#include "common/Secret.h"
#include "store/ItemDataList.h"

#include <algorithm>
#include <utility>

namespace tobrix {

namespace {

bool SameFields(const TVirtualItem& a, const TVirtualItem& b) {
    return a.Title == b.Title && a.UserID == b.UserID && a.Password == b.Password && a.Memo == b.Memo && a.URL == b.URL;
}

} // namespace

MainUndo::Step::~Step() {
    for (const std::unique_ptr<TVirtualItem>& entry : entries)
        if (entry)
            WipeEntry(*entry);
}

MainUndo::MainUndo(ItemDataList& items, MainList& list, MainState& state) : items_(items), list_(list), state_(state) {}

void MainUndo::Deleted(int index, std::unique_ptr<TVirtualItem> entry) {
    Wipe(entry->MaskedPassword); // made again from the password when it returns
    Step step{Kind::Delete, index, 1};
    step.entries.push_back(std::move(entry));
    Record(std::move(step));
}

void MainUndo::Edited(int index, std::unique_ptr<TVirtualItem> before) {
    if (SameFields(*before, items_.At(index))) {
        WipeEntry(*before);
        return; // saved as it was: nothing to take back
    }
    Wipe(before->MaskedPassword);
    Step step{Kind::Edit, index};
    step.entries.push_back(std::move(before));
    Record(std::move(step));
}

void MainUndo::Added(int first, int count) {
    if (count > 0)
        Record(Step{Kind::Add, first, count});
}

void MainUndo::Moved(int from, int to) {
    if (from != to)
        Record(Step{Kind::Move, from, to});
}

void MainUndo::Sorted(std::vector<std::uint32_t> order) {
    bool moved = false;
    for (std::size_t i = 0; i < order.size() && !moved; ++i)
        moved = order[i] != i;
    if (!moved)
        return; // the list was in that order already
    Step step{Kind::Sort};
    step.order = std::move(order);
    Record(std::move(step));
}

void MainUndo::Record(Step step) {
    redo_.clear();
    undo_.push_back(std::move(step));
    Trim();
}

void MainUndo::Undo() {
    Run(undo_, redo_, false);
}
void MainUndo::Redo() {
    Run(redo_, undo_, true);
}

void MainUndo::Run(std::deque<Step>& from, std::deque<Step>& to, bool forward) {
    if (from.empty())
        return;
    Step step = std::move(from.back());
    from.pop_back();
    // The selected entry shows its password plain; it may move away or go.
    const int selected = list_.SelectedEntry();
    if (selected >= 0)
        list_.UpdatePasswordMask(selected, false);
    state_.SelIndex = -1;
    state_.EndPaste();
    int target = -1;
    try {
        target = Apply(step, forward, selected);
    } catch (...) {
        Clear(); // the steps no longer fit the list
        list_.EntriesChanged(selected);
        throw;
    }
    to.push_back(std::move(step));
    state_.SetModified();
    list_.EntriesChanged(target);
    Trim();
}

int MainUndo::Apply(Step& step, bool forward, int selected) {
    switch (step.kind) {
    case Kind::Delete:
        if (forward)
            TakeOut(step, 1);
        else
            PutBack(step);
        return step.index;
    case Kind::Add:
        if (!forward) {
            TakeOut(step, step.other);
            return step.index;
        }
        PutBack(step);
        return step.index + step.other - 1;
    case Kind::Edit: {
        TVirtualItem& item = items_.At(step.index);
        TVirtualItem& kept = *step.entries.front();
        for (std::string TVirtualItem::*field : {&TVirtualItem::Title, &TVirtualItem::UserID, &TVirtualItem::Password,
                                                 &TVirtualItem::Memo, &TVirtualItem::URL})
            std::swap(item.*field, kept.*field);
        Wipe(kept.MaskedPassword);
        list_.UpdatePasswordMask(step.index, false);
        return step.index;
    }
    case Kind::Move:
        if (forward)
            items_.Move(step.index, step.other);
        else
            items_.Move(step.other, step.index);
        return forward ? step.other : step.index;
    case Kind::Sort: {
        items_.Arrange(step.order, !forward);
        if (selected < 0)
            return -1;
        if (!forward)
            return static_cast<int>(step.order[static_cast<std::size_t>(selected)]);
        const auto at = std::find(step.order.begin(), step.order.end(), static_cast<std::uint32_t>(selected));
        return static_cast<int>(at - step.order.begin());
    }
    }
    return -1;
}

void MainUndo::PutBack(Step& step) {
    const int count = static_cast<int>(step.entries.size());
    items_.InsertRange(step.index, std::move(step.entries));
    step.entries.clear();
    for (int i = step.index; i < step.index + count; ++i)
        list_.UpdatePasswordMask(i, false);
}

void MainUndo::TakeOut(Step& step, int count) {
    step.entries = items_.TakeRange(step.index, count);
    for (const std::unique_ptr<TVirtualItem>& entry : step.entries)
        Wipe(entry->MaskedPassword);
}

void MainUndo::Clear() {
    undo_.clear();
    redo_.clear();
}

std::size_t MainUndo::BytesOf(const Step& step) {
    std::size_t bytes = step.entries.size() * sizeof(void*) + step.order.size() * sizeof(std::uint32_t);
    for (const std::unique_ptr<TVirtualItem>& entry : step.entries)
        bytes += TextBytes(*entry);
    return bytes;
}

std::size_t MainUndo::HeldBytes() const {
    std::size_t bytes = 0;
    for (const std::deque<Step>* steps : {&undo_, &redo_})
        for (const Step& step : *steps)
            bytes += BytesOf(step);
    return bytes;
}

void MainUndo::Trim() {
    std::size_t held = HeldBytes();
    if (undo_.size() + redo_.size() <= kMaxSteps && held <= kFloorBytes)
        return; // within the floor: no pass over a long list at every change
    std::size_t listBytes = 0;
    for (int i = 0; i < items_.Count(); ++i)
        listBytes += TextBytes(items_.At(i));
    const std::size_t budget = std::max(listBytes, kFloorBytes);
    while (!undo_.empty() || !redo_.empty()) {
        if (undo_.size() + redo_.size() <= kMaxSteps && held <= budget)
            break;
        // The oldest change first; then the change farthest from being made again.
        std::deque<Step>& steps = undo_.empty() ? redo_ : undo_;
        held -= BytesOf(steps.front());
        steps.pop_front();
    }
}

} // namespace tobrix
