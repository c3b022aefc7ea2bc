// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/server_list_model.h"

#include <QSortFilterProxyModel>
#include <string>
#include <vector>

struct AppSettings;

// One server list as the user sees it: the rows of its model in the order of their places, the
// status lines on top, and (the Servers list) without the rows the filter leaves out.
//
// The rows are sorted only when Sort is asked for: at start-up, on a header click, when a row is
// added that is to be sorted in, by the refresh's re-sort timer and at its end. In between, new
// rows come last in the order they came, and a row the filter takes away comes back where it was.
// A sort orders the rows as they stand with SortCompare by the stored column and direction (the
// settings' serverSortColumn/Flag or favoriteSortColumn/Flag, so the list comes back sorted as it
// was left), "???" last either way, and gives each row its new place.
class CServerListProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    // settings (the sort and the filter), store (the favourites) and rows must outlive the proxy.
    CServerListProxy(AppSettings& settings, const ServerStore& store, CServerListModel& rows,
                     QObject* parent = nullptr);

    CServerListModel& rows() const { return rows_; }

    int SortColumn() const;
    bool SortFlag() const; // set: ascending
    // A sort the user chose (a header click): stored, then done.
    void SetSort(int column, bool ascending);
    // Sorts by the stored column and direction and tells sorted(); with a column the list does not
    // have, nothing moves.
    void Sort();
    // The filter and the hidden servers taken anew, for every row.
    void Refilter();

    // The address of every server row, top to bottom as sorted, with those the filter leaves out
    // (a refresh asks them all again) but not those left out of the list.
    std::vector<std::string> ListedAddresses() const;
    // The servers the list holds, and how many of them the filter leaves.
    int ServerCount() const;
    int ListedCount() const;
    // The record of a row as shown; nullptr for a status line.
    const ServerRecord* Record(int row) const;

Q_SIGNALS:
    // The list was sorted by this column and direction (the arrow goes there).
    void sorted(int column, bool ascending);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    // The model's server rows, top to bottom as they stand.
    std::vector<int> RowsByPlace() const;

    AppSettings& settings_;
    const ServerStore& store_;
    CServerListModel& rows_;
};
