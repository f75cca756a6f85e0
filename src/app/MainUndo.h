#pragma once
// Taking back the last changes of the entries, and making them again. A step keeps only what
// its change touched (the entry deleted, the fields an edit replaced, where a move went, the
// order a sort made), never a copy of the list. The history is bounded in steps and in
// memory: it never holds more text than the list itself (above a small floor), the oldest
// steps giving way first. Every entry text it gives up is wiped.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace tobrix {

class ItemDataList;
class MainList;
struct MainState;
struct TVirtualItem;

class MainUndo {
public:
    static constexpr std::size_t kMaxSteps = 100;
    // What the history may always hold, however short the list: a tiny list can still take
    // back the deletion of its last entry.
    static constexpr std::size_t kFloorBytes = 16 * 1024;

    MainUndo(ItemDataList& items, MainList& list, MainState& state);
    MainUndo(const MainUndo&) = delete;
    MainUndo& operator=(const MainUndo&) = delete;
    ~MainUndo() { Clear(); }

    // The changes, told once they are made. Each drops the steps that could be made again.
    // The entry was taken out of the list at `index`.
    void Deleted(int index, std::unique_ptr<TVirtualItem> entry);
    // The entry at `index` had the fields of `before` until now (nothing is kept when it
    // was saved unchanged).
    void Edited(int index, std::unique_ptr<TVirtualItem> before);
    // `count` entries were put in from `first` on (added, imported).
    void Added(int first, int count);
    void Moved(int from, int to);
    // A sort: position i took the entry that was at order[i].
    void Sorted(std::vector<std::uint32_t> order);

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    // The last step taken back, or the last one taken back made again: the list is shown
    // anew with the entry it touched selected, and the entries count as changed.
    void Undo();
    void Redo();
    // Forgets every step, their entries wiped (the window locks, the list is read again).
    void Clear();

    int UndoSteps() const { return static_cast<int>(undo_.size()); }
    int RedoSteps() const { return static_cast<int>(redo_.size()); }
    // The memory the steps hold: their entries' texts and their index storage.
    std::size_t HeldBytes() const;

private:
    enum class Kind { Delete, Edit, Add, Move, Sort };
    // Its entries are wiped as it goes.
    struct Step {
        Step(Kind k, int i = 0, int o = 0) : kind(k), index(i), other(o) {}
        Step(Step&&) = default;
        Step& operator=(Step&&) = default;
        ~Step();
        Kind kind;
        int index = 0;                                      // deleted, edited, first added, moved from
        int other = 0;                                      // added: the count; moved: to
        std::vector<std::unique_ptr<TVirtualItem>> entries; // what is out of the list now
        std::vector<std::uint32_t> order;
    };

    void Record(Step step);
    // Makes the step's change again (forward) or takes it back; returns the entry to select
    // (a sort follows the entry that was selected).
    int Apply(Step& step, bool forward, int selected);
    void Run(std::deque<Step>& from, std::deque<Step>& to, bool forward);
    // Puts the step's entries back in at its index, or takes `count` of them out into it.
    void PutBack(Step& step);
    void TakeOut(Step& step, int count);
    static std::size_t BytesOf(const Step& step);
    // The oldest steps go while there are too many or they hold too much.
    void Trim();

    ItemDataList& items_;
    MainList& list_;
    MainState& state_;
    std::deque<Step> undo_; // the newest last
    std::deque<Step> redo_; // the next to make again last
};

} // namespace tobrix
