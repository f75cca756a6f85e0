#pragma once
// One account entry and the ordered lists of entries. The ItemList's order is at once the
// order of the main list and of the data file.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/QuickSort.h"

namespace tobrix {

struct TVirtualItem {
    std::int32_t ImageIndex = -1; // never an image; reset to -1 whenever an entry is made or saved
    std::uint32_t StateBits = 0;  // extra list-view state of the row; never changed
    std::string Title;
    std::string UserID;
    std::string Password;       // plain text
    std::string MaskedPassword; // what the password column shows (see MaskFor)
    std::string Memo;
    std::string URL;
};

// One '*' per byte of the password (two per double-byte character); empty for an empty one.
std::string MaskOf(std::string_view password);

// The masked-password rule: the password itself while hiding is off or for the selected
// row, else its mask.
std::string MaskFor(std::string_view password, bool hidePass, bool showPlain);

// Wipes every text of the entry (before it is released or handed on empty).
void WipeEntry(TVirtualItem& item);

// The bytes of the entry's texts, the mask left out (it is made again from the password).
std::size_t TextBytes(const TVirtualItem& item);

// An owning, ordered list of entries, indexed from 0. Removing an entry releases it.
class ItemDataList {
public:
    ItemDataList() = default;
    ItemDataList(const ItemDataList&) = delete;
    ItemDataList& operator=(const ItemDataList&) = delete;
    ~ItemDataList();

    int Count() const { return static_cast<int>(items_.size()); }
    // 0 <= index < Count(); anything else throws AppError (a fault of the caller).
    TVirtualItem& At(int index);
    const TVirtualItem& At(int index) const;

    // Appends and returns the new entry's index.
    int Append(std::unique_ptr<TVirtualItem> item);
    // A new entry (ImageIndex -1, StateBits 0, empty strings) appended at the end.
    TVirtualItem& AppendNew();
    // Releases the entry; later entries move down by one.
    void Remove(int index);
    // Puts the entry in at `index` (0 <= index <= Count()); later entries move up by one.
    void Insert(int index, std::unique_ptr<TVirtualItem> item);
    // Takes the entry out, to the caller; later entries move down by one.
    std::unique_ptr<TVirtualItem> Take(int index);
    // The same for `count` entries in a row, moving the later ones once.
    void InsertRange(int index, std::vector<std::unique_ptr<TVirtualItem>> entries);
    std::vector<std::unique_ptr<TVirtualItem>> TakeRange(int first, int count);
    // Takes the entry out and inserts it at `to`; the entries between shift by one place.
    void Move(int from, int to);
    // Releases every entry, the last first, its texts wiped.
    void Clear();
    void Reserve(std::size_t count) { items_.reserve(count); }

    // Quicksort with the middle element as pivot; not stable. compare(a, b) < 0 puts a first.
    template <class Compare>
    void Sort(Compare compare) {
        std::vector<std::uint32_t> order = Positions();
        QuickSortMiddlePivot(order, [&](std::uint32_t a, std::uint32_t b) { return compare(*items_[a], *items_[b]); });
        Reorder(order);
    }

    // The same sort on precomputed keys, one per entry in list order, compared as unsigned
    // bytes and multiplied by `sign`. Returns the order it made: position i took the entry
    // that was at order[i].
    std::vector<std::uint32_t> SortByKeys(std::vector<std::string> keys, int sign);
    // Position i takes the entry that is at order[i]; or, `back`, the order a sort made is
    // turned back (the entry at i returns to order[i]).
    void Arrange(const std::vector<std::uint32_t>& order, bool back);

private:
    void CheckIndex(int index) const;
    std::vector<std::uint32_t> Positions() const;
    void Reorder(const std::vector<std::uint32_t>& order);

    std::vector<std::unique_ptr<TVirtualItem>> items_;
};

// The user's entries, for the whole process.
extern ItemDataList ItemList;

} // namespace tobrix
