#pragma once
// Reordering entries by dragging a row of the main list onto another row, or by moving the
// selected row up or down from the keyboard. The list detects the drag itself; while it lasts,
// a timer scrolls the list when the pointer is held near its upper or lower edge.

#include <cstdint>

namespace tobrix {

class ItemDataList;
class ListControl;
class MainList;
class MainUndo;
class MainView;
struct MainState;

class MainDrag {
public:
    MainDrag(MainView& view, ListControl& control, ItemDataList& items, MainState& state, MainList& list,
             MainUndo& undo);

    // Whether a row may be dragged: not while a search text narrows the rows (nor do the
    // keyboard's moves run then).
    bool CanDrag() const;
    // Whether a drag runs now (from its start to its end, dropped or cancelled).
    bool Dragging() const { return dragging_; }
    // A drag of the selected (pressed) row starts: the auto-scroll timer runs from now on.
    void lsvListStartDrag();
    // The pointer is over the list at (x, y), in the list's client coordinates (it moved, or
    // the rows scrolled under it): the list marks where a drop there would put the entry.
    // Returns whether a drop there is taken: always.
    bool lsvListDragOver(int x, int y);
    // The pointer is off the list: a drop there changes nothing, and no row is marked.
    void lsvListDragLeave();
    // The button was released over the list at (x, y): the dragged entry moves to the row
    // there, and a continuous paste of it ends.
    void lsvListDragDrop(int x, int y);
    // The drag is over, dropped anywhere or cancelled.
    void lsvListEndDrag();
    // Every 100 ms while a drag lasts.
    void timDragTimer();

    // The selected entry one row up (step -1) or down (step +1), as a drop onto that row would
    // move it. Enabled when a row is selected and it is not the first (last) row, and no
    // search text is on.
    bool MoveSelectedUpdate(int step) const;
    void MoveSelectedExecute(int step);

    std::int32_t DragIndex = 0; // the row being dragged; kept after the drag

private:
    // The row that a drop at (x, y) moves the dragged entry to, or -1 when it changes nothing.
    int DropTarget(int x, int y) const;
    // The row that moving the selected entry by `step` rows puts it in, or -1 when there is none.
    int StepTarget(int step) const;
    // Moves the entry at row `from` to row `to` and selects it there: the entries between
    // shift by one row towards `from`. A continuous paste ends, since another entry now
    // holds the row it was working on.
    void MoveEntry(int from, int to);

    MainView& view_;
    ListControl& control_;
    ItemDataList& items_;
    MainState& state_;
    MainList& list_;
    MainUndo& undo_;
    bool dragging_ = false;
};

} // namespace tobrix
