#include "app/MainDrag.h"

#include "app/MainList.h"
#include "app/MainView.h"
#include "app/MainState.h"
#include "store/ItemDataList.h"

namespace tobrix {

MainDrag::MainDrag(MainView& view, ListControl& control, ItemDataList& items, MainState& state, MainList& list)
    : view_(view), control_(control), items_(items), state_(state), list_(list) {}

void MainDrag::lsvListStartDrag() {
    DragIndex = control_.SelectedRow();
    view_.SetTimer(MainTimer::timDrag, true);
}

void MainDrag::lsvListDragDrop(int x, int y) {
    const int t = control_.HitTest(x, y);
    if (t < 0 || t == DragIndex)
        return;
    if (DragIndex < 0 || DragIndex >= items_.Count() || t >= items_.Count())
        return; // the list changed under the drag: nothing sensible to move
    state_.SetModified();
    items_.Move(DragIndex, t);
    list_.RefreshList(t);
}

void MainDrag::lsvListEndDrag() {
    view_.SetTimer(MainTimer::timDrag, false);
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
