#pragma once

#include <utility>

// The one quicksort of the student list and the grade grid.  It is not
// stable: rows with equal keys end in the order this partition (Hoare's,
// around the middle key) leaves them, and that order is what the secretary
// has always seen in the list and on paper, so neither sort may take another
// algorithm.
namespace hsa {

// Sorts keys[low..high] ascending (keys: any random-access container whose
// elements compare with < and >).  exchange(i, j) is called for every pair of
// different rows i < j that is exchanged, right after their keys are, so the
// caller moves its rows along.
template <class Keys, class Exchange>
void QuickSortKeys(int low, int high, Keys& keys, const Exchange& exchange)
{
    if (low >= high)
        return;
    const auto pivot = keys[(low + high) / 2];
    int i = low;
    int j = high;
    do {
        while (keys[i] < pivot)
            ++i;
        while (keys[j] > pivot)
            --j;
        if (i <= j) {
            if (i != j) {
                std::swap(keys[i], keys[j]);
                exchange(i, j);
            }
            ++i;
            --j;
        }
    } while (i <= j);
    if (j > low)
        QuickSortKeys(low, j, keys, exchange);
    if (i < high)
        QuickSortKeys(i, high, keys, exchange);
}

} // namespace hsa
