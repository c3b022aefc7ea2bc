// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/report_model.h"

#include "query/list_roles.h"
#include "ui/display_text.h"

#include <QByteArray>

#include <algorithm>

int CReportModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CReportModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(titles_.size());
}

QVariant CReportModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !HasRow(index.row()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: // the whole text: what a narrow column cuts off can still be read
        return DisplayLine(Text(index.row(), index.column()));
    case ListRole::Bytes:
        return QByteArray::fromStdString(Text(index.row(), index.column()));
    case ListRole::Status:
        return IsStatusRow(index.row());
    default:
        return {};
    }
}

Qt::ItemFlags CReportModel::flags(const QModelIndex& index) const
{
    if (index.isValid() && IsStatusRow(index.row()))
        return Qt::ItemIsEnabled;
    return QAbstractTableModel::flags(index);
}

QVariant CReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return titles_[section];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

int CReportModel::InsertColumn(int index, const QString& title)
{
    index = std::clamp(index, 0, columnCount());
    beginInsertColumns(QModelIndex(), index, index);
    titles_.insert(titles_.begin() + index, title);
    for (ReportRow& row : rows_)
        row.cells.insert(row.cells.begin() + index, std::string());
    endInsertColumns();
    return index;
}

int CReportModel::InsertRow(int row, std::string text)
{
    return Insert(row, std::move(text), false);
}

int CReportModel::InsertStatusRow(int row, std::string text)
{
    return Insert(row, std::move(text), true);
}

int CReportModel::Insert(int row, std::string text, bool status)
{
    row = std::clamp(row, 0, rowCount());
    ReportRow line;
    line.status = status;
    line.cells.resize(titles_.size());
    if (!line.cells.empty())
        line.cells[0] = std::move(text);
    beginInsertRows(QModelIndex(), row, row);
    rows_.insert(rows_.begin() + row, std::move(line));
    endInsertRows();
    return row;
}

bool CReportModel::SetText(int row, int column, std::string text)
{
    if (!HasRow(row) || column < 0 || column >= columnCount())
        return false;
    std::string& cell = rows_[row].cells[column];
    if (cell == text)
        return true;
    cell = std::move(text);
    const QModelIndex changed = index(row, column);
    Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole, Qt::ToolTipRole});
    return true;
}

const std::string& CReportModel::Text(int row, int column) const
{
    static const std::string kNone;
    if (!HasRow(row) || column < 0 || column >= columnCount())
        return kNone;
    return rows_[row].cells[column];
}

bool CReportModel::RemoveRow(int row)
{
    if (!HasRow(row))
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    return true;
}

void CReportModel::RemoveAllRows()
{
    if (rows_.empty())
        return;
    beginRemoveRows(QModelIndex(), 0, rowCount() - 1);
    rows_.clear();
    endRemoveRows();
}

bool CReportModel::SetRowData(int row, void* data)
{
    if (!HasRow(row))
        return false;
    rows_[row].data = data;
    return true;
}

void* CReportModel::RowData(int row) const
{
    return HasRow(row) ? rows_[row].data : nullptr;
}

int CReportModel::FindRowData(const void* data) const
{
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].data == data)
            return static_cast<int>(i);
    return -1;
}

void CReportModel::Sort(int column, bool ascending)
{
    if (column < 0 || column >= columnCount() || rows_.size() < 2)
        return;
    const std::vector<size_t> order = SortedRowOrder(rows_, static_cast<size_t>(column), ascending);

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(rows_.size());
    std::vector<ReportRow> sorted;
    sorted.reserve(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newRowOf[order[i]] = static_cast<int>(i);
        sorted.push_back(std::move(rows_[order[i]]));
    }
    rows_ = std::move(sorted);

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& old : from)
        to.append(index(newRowOf[old.row()], old.column()));
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
