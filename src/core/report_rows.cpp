// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/report_rows.h"

#include "core/compare_texts.h"

#include <numeric>

std::vector<size_t> SortedRowOrder(const std::vector<ReportRow>& rows, size_t column, bool ascending)
{
    // One key a row instead of parsing both texts at every comparison: the address column would
    // otherwise validate each address some 2 log n times.
    std::vector<CompareKey> keys;
    keys.reserve(rows.size());
    for (const ReportRow& row : rows)
        keys.push_back(
            MakeCompareKey(column < row.cells.size() ? std::string_view(row.cells[column]) : std::string_view()));

    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t{0});
    StableMergeSort(order, [&](size_t a, size_t b) {
        if (rows[a].status != rows[b].status)
            return rows[a].status ? -1 : 1;
        if (rows[a].status)
            return 0;
        return SortCompareKeys(keys[a], keys[b], ascending);
    });
    return order;
}
