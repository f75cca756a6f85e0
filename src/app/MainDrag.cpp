#include "app/MainDrag.h"

#include "app/MainList.h"
#include "app/MainState.h"
#include "app/MainUndo.h"
#include "app/MainView.h"
#include "store/ItemDataList.h"

namespace tobrix {

MainDrag::MainDrag(MainView& view, ListControl& control, ItemDataList& items, MainState& state, MainList& list,
                   MainUndo& undo)
    : view_(view), control_(control), items_(items), state_(state), list_(list), undo_(undo) {}

bool MainDrag::CanDrag() const { return !list_.Filtering(); }

void MainDrag::lsvListStartDrag() {
    // While a search text is on, the rows are a part of the list: an order among them says
    // nothing about the whole, so no drop moves anything.
    DragIndex = CanDrag() ? control_.SelectedRow() : -1;
    dragging_ = true;
    view_.SetTimer(MainTimer::timDrag, true);
}

int MainDrag::DropTarget(int x, int y) const {
    const int t = control_.HitTest(x, y);
    if (t < 0 || t == DragIndex)
        return -1;
    if (DragIndex < 0 || DragIndex >= items_.Count() || t >= items_.Count())
        return -1; // the list changed under the drag: nothing sensible to move
    return t;
}

bool MainDrag::lsvListDragOver(int x, int y) {
    const int t = DropTarget(x, y);
    // The entry ends at row t either way: moved up, it goes in above the entry there; moved
    // down, the entries between move up and it goes in below.
    control_.ShowDropMark(t < 0 ? DropMark{} : DropMark{t, t > DragIndex});
    return true;
}

void MainDrag::lsvListDragLeave() { control_.ShowDropMark({}); }

void MainDrag::lsvListDragDrop(int x, int y) {
    const int t = DropTarget(x, y);
    if (t >= 0)
        MoveEntry(DragIndex, t);
}

void MainDrag::MoveEntry(int from, int to) {
    state_.SetModified();
    state_.EndPaste();
    items_.Move(from, to);
    undo_.Moved(from, to);
    list_.RefreshList(to);
}

int MainDrag::StepTarget(int step) const {
    const int row = control_.SelectedRow();
    const int t = row + step;
    if (!CanDrag() || step == 0 || row < 0 || row >= items_.Count() || t < 0 || t >= items_.Count())
        return -1;
    return t;
}

bool MainDrag::MoveSelectedUpdate(int step) const { return StepTarget(step) >= 0; }

void MainDrag::MoveSelectedExecute(int step) {
    const int t = StepTarget(step);
    if (t >= 0)
        MoveEntry(control_.SelectedRow(), t);
}

void MainDrag::lsvListEndDrag() {
    dragging_ = false;
    view_.SetTimer(MainTimer::timDrag, false);
    control_.ShowDropMark({});
}

void MainDrag::timDragTimer() {
    const int y = control_.PointerY();
    const int h = state_.LineHeight;
    // The upper zone is measured from the list's own top edge with the toolbar's height
    // added, so it takes in the column header.
    if (y <= control_.Top() + 2 * h)
        control_.Scroll(-h);
    else if (y >= control_.Height() - 4 * h)
        control_.Scroll(h);
}

} // namespace tobrix
