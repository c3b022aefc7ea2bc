// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/server_list_proxy.h"

#include "core/compare_texts.h"
#include "core/report_rows.h"
#include "launch/model/launch_command.h"
#include "settings/app_settings.h"
#include "settings/server_filter.h"

#include <algorithm>
#include <numeric>

CServerListProxy::CServerListProxy(AppSettings& settings, const ServerStore& store, CServerListModel& rows,
                                   QObject* parent)
    : QSortFilterProxyModel(parent), settings_(settings), store_(store), rows_(rows)
{
    setSourceModel(&rows_);
    // Kept in the order of the places: a row that comes, or comes back from the filter, goes to
    // its place at once. The places change only when Sort gives new ones, and no cell change
    // re-sorts: the proxy's own sort column is the address, which no reply changes.
    setDynamicSortFilter(true);
    sort(CServerListModel::kAddress, Qt::AscendingOrder);
}

int CServerListProxy::SortColumn() const
{
    return rows_.list() == ServerList::Servers ? settings_.serverSortColumn : settings_.favoriteSortColumn;
}

bool CServerListProxy::SortFlag() const
{
    return rows_.list() == ServerList::Servers ? settings_.serverSortFlag : settings_.favoriteSortFlag;
}

void CServerListProxy::SetSort(int column, bool ascending)
{
    if (rows_.list() == ServerList::Servers) {
        settings_.serverSortColumn = column;
        settings_.serverSortFlag = ascending;
    } else {
        settings_.favoriteSortColumn = column;
        settings_.favoriteSortFlag = ascending;
    }
    Sort();
}

std::vector<int> CServerListProxy::RowsByPlace() const
{
    std::vector<int> order;
    order.reserve(static_cast<size_t>(rows_.rowCount()));
    for (int row = rows_.statusRows(); row < rows_.rowCount(); ++row)
        order.push_back(row);
    std::sort(order.begin(), order.end(), [this](int a, int b) { return rows_.Place(a) < rows_.Place(b); });
    return order;
}

void CServerListProxy::Sort()
{
    const int column = SortColumn();
    const bool ascending = SortFlag();
    if (column >= 0 && column < CServerListModel::kColumns) {
        const std::vector<int> shown = RowsByPlace();
        // One key a row, worked out once, instead of parsing both texts at every comparison.
        std::vector<CompareKey> keys;
        keys.reserve(shown.size());
        for (int row : shown)
            keys.push_back(MakeCompareKey(rows_.Text(row, column)));
        std::vector<size_t> order(shown.size());
        std::iota(order.begin(), order.end(), size_t{0});
        StableMergeSort(order, [&](size_t a, size_t b) { return SortCompareKeys(keys[a], keys[b], ascending); });
        std::vector<int> sorted;
        sorted.reserve(order.size());
        for (size_t i : order)
            sorted.push_back(shown[i]);
        rows_.Arrange(sorted);
        // The selection stays on its row: only the row's place changes.
        invalidate();
    }
    Q_EMIT sorted(column, ascending);
}

void CServerListProxy::Refilter()
{
    invalidateRowsFilter();
}

std::vector<std::string> CServerListProxy::ListedAddresses() const
{
    std::vector<std::string> addresses;
    for (int row : RowsByPlace())
        if (!rows_.IsLeftOut(row))
            addresses.push_back(rows_.Text(row, CServerListModel::kAddress));
    return addresses;
}

int CServerListProxy::ServerCount() const
{
    int servers = 0;
    for (int row = rows_.statusRows(); row < rows_.rowCount(); ++row)
        servers += rows_.IsLeftOut(row) ? 0 : 1;
    return servers;
}

int CServerListProxy::ListedCount() const
{
    return rowCount() - rows_.statusRows();
}

const ServerRecord* CServerListProxy::Record(int row) const
{
    return rows_.Record(mapToSource(index(row, 0)).row());
}

bool CServerListProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    if (rows_.IsStatusRow(sourceRow))
        return true;
    if (rows_.IsLeftOut(sourceRow))
        return false;
    const ServerFilter& filter = settings_.options.filter;
    if (rows_.list() != ServerList::Servers || !filter.Active())
        return true;
    const std::string& address = rows_.Text(sourceRow, CServerListModel::kAddress);
    FilterFacts facts{rows_.Text(sourceRow, CServerListModel::kName), rows_.Text(sourceRow, CServerListModel::kMap),
                      rows_.Text(sourceRow, CServerListModel::kPing),
                      rows_.Text(sourceRow, CServerListModel::kPlayers)};
    facts.passworded = IsPasswordProtected(*rows_.Record(sourceRow));
    const std::vector<ServerRecord*>& favorites = store_.favoriteList();
    facts.favorite =
        std::any_of(favorites.begin(), favorites.end(), [&](const ServerRecord* r) { return r->address == address; });
    return PassesFilter(filter, facts);
}

bool CServerListProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    return rows_.Place(left.row()) < rows_.Place(right.row());
}
