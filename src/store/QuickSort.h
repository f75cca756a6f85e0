#pragma once
// The list's sort: a quicksort that takes the middle element as pivot (Hoare partition).
// Not stable: entries that compare equal may come out in any order.

#include <cstddef>
#include <utility>
#include <vector>

namespace tobrix {

namespace detail {

template <class T, class Compare>
void QuickSortRange(std::vector<T>& v, std::ptrdiff_t left, std::ptrdiff_t right, Compare& compare) {
    // Recursing into the smaller side and looping on the larger keeps the stack depth
    // logarithmic whatever the input.
    while (left < right) {
        std::ptrdiff_t i = left, j = right;
        const T pivot = v[static_cast<std::size_t>(left + (right - left) / 2)];
        do {
            // The bounds only matter for a comparison that contradicts itself; with a
            // consistent one the scans stop at the pivot or at a swapped element first.
            while (i < right && compare(v[static_cast<std::size_t>(i)], pivot) < 0)
                ++i;
            while (j > left && compare(v[static_cast<std::size_t>(j)], pivot) > 0)
                --j;
            if (i <= j) {
                std::swap(v[static_cast<std::size_t>(i)], v[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - left < right - i) {
            QuickSortRange(v, left, j, compare);
            left = i;
        } else {
            QuickSortRange(v, i, right, compare);
            right = j;
        }
    }
}

} // namespace detail

// compare(a, b) < 0 puts a before b. T is copied once per partition for the pivot, so it
// should be cheap to copy (a pointer or an index).
template <class T, class Compare>
void QuickSortMiddlePivot(std::vector<T>& v, Compare compare) {
    if (v.size() > 1)
        detail::QuickSortRange(v, 0, static_cast<std::ptrdiff_t>(v.size()) - 1, compare);
}

} // namespace tobrix
