// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/server_list_model.h"

#include "core/one_line.h"
#include "query/list_roles.h"

#include <QByteArray>
#include <QString>

namespace {

constexpr const char* kTitles[CServerListModel::kColumns] = {"Name", "Map", "Ping", "Players", "Ip"};

bool HoldsSendTime(const std::string& ping)
{
    return ping.find('-') != std::string::npos;
}

} // namespace

CServerListModel::CServerListModel(ServerStore& store, ServerList list, QObject* parent)
    : QAbstractTableModel(parent), store_(store), list_(list)
{
    for (const ServerRecord* record : store_.List(list_))
        rows_.push_back(ServerRow(*record));
    store_.AddListener(this);
}

CServerListModel::~CServerListModel()
{
    store_.RemoveListener(this);
}

int CServerListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CServerListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant CServerListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !HasRow(index.row()))
        return {};
    const std::string& text = Text(index.row(), index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: // the whole text: what a narrow column cuts off can still be read
        return QString::fromStdString(OneLineText(text));
    case ListRole::Bytes:
        return QByteArray::fromStdString(text);
    case ListRole::Status:
        return IsStatusRow(index.row());
    default:
        return {};
    }
}

QVariant CServerListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns)
        return {};
    if (role == Qt::DisplayRole)
        return QString(kTitles[section]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags CServerListModel::flags(const QModelIndex& index) const
{
    if (index.isValid() && IsStatusRow(index.row()))
        return Qt::ItemIsEnabled;
    return QAbstractTableModel::flags(index);
}

const std::string& CServerListModel::Text(int row, int column) const
{
    static const std::string kNone;
    if (!HasRow(row) || column < 0 || column >= kColumns)
        return kNone;
    return rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
}

const ServerRecord* CServerListModel::Record(int row) const
{
    return HasRow(row) ? rows_[static_cast<size_t>(row)].record : nullptr;
}

// ---- status lines ---------------------------------------------------------------------------

void CServerListModel::ShowStatus(const std::string& text)
{
    Row line;
    line.cells[kName] = text;
    line.place = --statusPlace_;
    beginInsertRows(QModelIndex(), 0, 0);
    rows_.insert(rows_.begin(), std::move(line));
    ++statusRows_;
    endInsertRows();
}

void CServerListModel::RemoveStatusRows()
{
    if (statusRows_ == 0)
        return;
    beginRemoveRows(QModelIndex(), 0, statusRows_ - 1);
    rows_.erase(rows_.begin(), rows_.begin() + statusRows_);
    statusRows_ = 0;
    endRemoveRows();
}

// ---- places ---------------------------------------------------------------------------------

void CServerListModel::Arrange(const std::vector<int>& order)
{
    int64_t place = 0;
    for (int row : order)
        if (HasRow(row) && !IsStatusRow(row))
            rows_[static_cast<size_t>(row)].place = place++;
    nextPlace_ = place;
}

void CServerListModel::PutLast(int row)
{
    if (HasRow(row) && !IsStatusRow(row))
        rows_[static_cast<size_t>(row)].place = nextPlace_++;
}

void CServerListModel::SetLeftOut(int row, bool leftOut)
{
    if (HasRow(row) && !IsStatusRow(row))
        rows_[static_cast<size_t>(row)].leftOut = leftOut;
}

// ---- what the store tells -------------------------------------------------------------------

CServerListModel::Row CServerListModel::ServerRow(const ServerRecord& record)
{
    Row row;
    row.record = &record;
    row.place = nextPlace_++;
    Fill(row, record);
    // A send time no answer replaced: the server never answered that query.
    if (HoldsSendTime(row.cells[kPing]))
        row.cells[kPing] = "???";
    return row;
}

void CServerListModel::Fill(Row& row, const ServerRecord& record)
{
    row.cells[kName] = record.name;
    row.cells[kMap] = record.map;
    if (!HoldsSendTime(record.ping))
        row.cells[kPing] = record.ping;
    row.cells[kPlayers] = record.players;
    row.cells[kAddress] = record.address;
}

void CServerListModel::ListAppended(ServerList list)
{
    if (list != list_)
        return;
    const int row = static_cast<int>(rows_.size());
    beginInsertRows(QModelIndex(), row, row);
    rows_.push_back(ServerRow(*store_.List(list_).back()));
    endInsertRows();
}

void CServerListModel::ListEntryRemoved(ServerList list, size_t index)
{
    if (list != list_)
        return;
    const int row = statusRows_ + static_cast<int>(index);
    if (!HasRow(row))
        return;
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void CServerListModel::ListReplaced(ServerList list)
{
    if (list != list_)
        return;
    // A list emptied takes its status lines with it: they told of what it held.
    if (!rows_.empty()) {
        beginRemoveRows(QModelIndex(), 0, rowCount() - 1);
        rows_.clear();
        statusRows_ = 0;
        endRemoveRows();
    }
    nextPlace_ = 0;
    const std::vector<ServerRecord*>& entries = store_.List(list_);
    if (entries.empty())
        return;
    beginInsertRows(QModelIndex(), 0, static_cast<int>(entries.size()) - 1);
    for (const ServerRecord* record : entries)
        rows_.push_back(ServerRow(*record));
    endInsertRows();
}

void CServerListModel::RecordChanged(const ServerRecord& record)
{
    // Every row of the record is told, changed or not: what the filter reads of it (the info)
    // may have changed where no cell shows it.
    for (int row = statusRows_; row < rowCount(); ++row) {
        Row& line = rows_[static_cast<size_t>(row)];
        if (line.record != &record)
            continue;
        Fill(line, record);
        Q_EMIT dataChanged(index(row, kName), index(row, kPlayers), {Qt::DisplayRole, Qt::ToolTipRole});
    }
}
