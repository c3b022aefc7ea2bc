// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/playlist_list_ctrl.h"

#include "core/report_rows.h"

#include <QMouseEvent>

CPlayListCtrl::CPlayListCtrl(QWidget* parent) : CSortListCtrl(parent)
{
    InsertColumn(FileColumn, "File", 212);
    InsertColumn(LengthColumn, "Length", 60);
    InsertColumn(BitrateColumn, "Bitrate", 70);
    header()->setSectionsMovable(true); // columns can be dragged into another order
    setSelectionMode(QAbstractItemView::SingleSelection);
}

int CPlayListCtrl::InsertEntry(int row, const std::string& file, const std::string& length, const std::string& bitrate)
{
    const int at = InsertItem(row, file);
    SetItemText(at, LengthColumn, length);
    SetItemText(at, BitrateColumn, bitrate);
    return at;
}

int CPlayListCtrl::AppendEntry(const std::string& file, const std::string& length, const std::string& bitrate)
{
    return InsertEntry(GetItemCount(), file, length, bitrate);
}

void CPlayListCtrl::ClearSortIndicator()
{
    sortHeader()->ClearArrow();
    if (SortColumn() != kNoSortColumn)
        StoreSortState(kNoSortColumn, SortFlag());
}

void CPlayListCtrl::Shuffle(const std::function<int()>& random)
{
    const std::vector<ReportRow> rows = reportModel()->Rows();
    std::vector<size_t> order(rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    // Never std::sort: random answers are no ordering, and it may run past the ends on them.
    StableMergeSort(order, [&random](size_t, size_t) { return random() % 100 - 50; });

    const int selected = GetSelectedRow();
    ClearSortIndicator();
    CReportListCtrl::DeleteAllItems();
    int newSelected = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        const ReportRow& row = rows[order[i]];
        const int at = InsertEntry(static_cast<int>(i), row.cells.at(FileColumn), row.cells.at(LengthColumn),
                                   row.cells.at(BitrateColumn));
        SetItemData(at, row.data);
        if (static_cast<int>(order[i]) == selected)
            newSelected = at;
    }
    SelectRow(newSelected);
}

std::vector<std::string> CPlayListCtrl::FileTexts() const
{
    std::vector<std::string> texts;
    texts.reserve(GetItemCount());
    for (const ReportRow& row : reportModel()->Rows())
        texts.push_back(row.cells.empty() ? std::string() : row.cells[FileColumn]);
    return texts;
}

void CPlayListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    const Qt::MouseButton button = event->button();
    CSortListCtrl::mouseReleaseEvent(event);
    if (button == Qt::LeftButton)
        Q_EMIT listClicked();
    else if (button == Qt::RightButton)
        Q_EMIT listRightClicked();
}

void CPlayListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    const Qt::MouseButton button = event->button();
    CSortListCtrl::mouseDoubleClickEvent(event);
    if (button == Qt::LeftButton)
        Q_EMIT listDoubleClicked();
}
