// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// The rows of a report list, plain data: the views show them, the sort orders them.

// One line: its cell texts, one a column, and the caller's pointer that travels with it. Cells
// hold the bytes as they came (UTF-8 from the program, any code page from a server); the views
// show them through DisplayText.
// A status line ("Please Wait", "Pinging Servers") tells about the list instead of being an
// item of it: it stays on top whatever the sort, and the views neither select it nor cut it at
// its first column's edge.
struct ReportRow {
    std::vector<std::string> cells;
    void* data = nullptr;
    bool status = false;
};

// Stable merge sort with an int comparison (negative: the first belongs before the second). The
// list's comparison is not a strict weak ordering (numbers and texts mixed in one column are not
// transitive), which std::sort must never be given; a merge sort only asks "does the right one go
// first?" and stays well defined whatever the answers. Equal items keep their order.
template <typename T, typename Compare> void StableMergeSort(std::vector<T>& items, Compare compare)
{
    const size_t n = items.size();
    if (n < 2)
        return;

    // Short runs by insertion first: fewer passes, and cheaper than merging tiny pieces.
    constexpr size_t kRun = 16;
    for (size_t start = 0; start < n; start += kRun) {
        const size_t end = std::min(start + kRun, n);
        for (size_t i = start + 1; i < end; ++i) {
            T item = std::move(items[i]);
            size_t j = i;
            for (; j > start && compare(items[j - 1], item) > 0; --j)
                items[j] = std::move(items[j - 1]);
            items[j] = std::move(item);
        }
    }
    if (n <= kRun)
        return;

    std::vector<T> buffer(n);
    T* from = items.data();
    T* to = buffer.data();
    for (size_t width = kRun; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(lo + width, n);
            const size_t hi = std::min(lo + 2 * width, n);
            size_t l = lo, r = mid, out = lo;
            while (l < mid && r < hi)
                to[out++] = compare(from[l], from[r]) > 0 ? std::move(from[r++]) : std::move(from[l++]);
            while (l < mid)
                to[out++] = std::move(from[l++]);
            while (r < hi)
                to[out++] = std::move(from[r++]);
        }
        std::swap(from, to);
    }
    if (from != items.data())
        std::move(from, from + n, items.data());
}

// Indexes of rows in the order SortCompare puts them by one column (a row too short for the
// column counts as an empty cell); the status lines first, in the order they were in.
std::vector<size_t> SortedRowOrder(const std::vector<ReportRow>& rows, size_t column, bool ascending);
