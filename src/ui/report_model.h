// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/report_rows.h"

#include <QAbstractTableModel>
#include <QString>
#include <string>
#include <vector>

// The table behind a report list: column titles and rows of text cells, each row with a data
// pointer. Every row has exactly one cell a column. Changes are announced row by row (no resets),
// so views and selections keep up cheaply with lists of many thousand servers.
class CReportModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // A cell's text as shown, for the display and as its tool tip; its bytes and whether the row
    // is a status line (ListRole).
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // A status line can be seen but not selected.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // index is clamped to 0..columnCount(); returns where the column went. Existing rows get an
    // empty cell there.
    int InsertColumn(int index, const QString& title);
    // row is clamped to 0..rowCount() (past the end appends); returns where the row went. The
    // text goes into column 0 (lost when there are no columns yet).
    int InsertRow(int row, std::string text);
    // The same for a status line (see ReportRow): it stays on top when the rows are sorted.
    int InsertStatusRow(int row, std::string text);
    bool IsStatusRow(int row) const { return HasRow(row) && rows_[row].status; }
    bool SetText(int row, int column, std::string text);
    // Empty for a row or column that does not exist.
    const std::string& Text(int row, int column) const;
    bool RemoveRow(int row);
    void RemoveAllRows();

    bool SetRowData(int row, void* data);
    void* RowData(int row) const;            // nullptr for a row that does not exist
    int FindRowData(const void* data) const; // first row holding data, -1 when none

    // Orders the rows by one column with SortCompare. Persistent indexes (the view's selection
    // and current row) move with their rows.
    void Sort(int column, bool ascending);

    const std::vector<ReportRow>& Rows() const { return rows_; }

private:
    int Insert(int row, std::string text, bool status);
    bool HasRow(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }

    std::vector<QString> titles_;
    std::vector<ReportRow> rows_;
};
