// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "settings/server_store.h"

#include <QAbstractTableModel>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The rows of one of the browser's server lists (Servers or Favorites): one row for each entry of
// the store's list, in the store's order, and above them the status lines the engine shows
// ("Pinging Servers"), rows with no address. It listens to the store: an entry appended or
// removed there is a row inserted or removed here, and a record taking a reply changes every row
// that shows it.
//
// A row shows what its record held when the row came or the record last took a reply, except
// that a ping still holding a send time (a query out) shows the ping the row had: a server being
// asked keeps its last ping on screen until the answer or the time-out. Cells are the bytes as
// they came; the display turns them into one line each.
//
// The order the user sees is not the store's: each row has a place, and the list's proxy shows
// the rows by place. A row comes last; a status line comes above the others; a sort gives every
// row a new place (see CServerListProxy).
class CServerListModel : public QAbstractTableModel, private ServerStoreListener {
    Q_OBJECT
public:
    enum Column { kName, kMap, kPing, kPlayers, kAddress, kColumns };

    // store must outlive the model.
    CServerListModel(ServerStore& store, ServerList list, QObject* parent = nullptr);
    ~CServerListModel() override;

    ServerList list() const { return list_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // The cell as shown (and as its tool tip), its bytes (ListRole::Bytes), whether the row is a
    // status line (ListRole::Status).
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // A status line can be seen but not selected.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // A status line on top of every other row, the newest first.
    void ShowStatus(const std::string& text);
    void RemoveStatusRows();
    int statusRows() const { return statusRows_; }
    bool IsStatusRow(int row) const { return HasRow(row) && !rows_[static_cast<size_t>(row)].record; }

    // A cell's bytes; empty for a row or column that does not exist. A status line's text is
    // its first cell.
    const std::string& Text(int row, int column) const;
    // The record a row shows; nullptr for a status line or a row that does not exist.
    const ServerRecord* Record(int row) const;

    // Where the row stands in the list as shown: smaller first.
    int64_t Place(int row) const { return HasRow(row) ? rows_[static_cast<size_t>(row)].place : 0; }
    // New places for the server rows in this order (every server row once): the first comes first.
    void Arrange(const std::vector<int>& order);
    // The row goes after every other, as one just added does.
    void PutLast(int row);

    // A row the list leaves out although the store keeps the entry: a server hidden since the
    // list was saved. Such a row is neither shown nor refreshed; once it is shown again it goes
    // last. Rows added later are never left out.
    bool IsLeftOut(int row) const { return HasRow(row) && rows_[static_cast<size_t>(row)].leftOut; }
    void SetLeftOut(int row, bool leftOut);

private:
    struct Row {
        const ServerRecord* record = nullptr; // nullptr: a status line
        std::array<std::string, kColumns> cells;
        int64_t place = 0;
        bool leftOut = false;
    };

    // ServerStoreListener
    void ListAppended(ServerList list) override;
    void ListEntryRemoved(ServerList list, size_t index) override;
    void ListReplaced(ServerList list) override;
    void RecordChanged(const ServerRecord& record) override;

    Row ServerRow(const ServerRecord& record);
    // The record's fields into the row's cells (a send time leaves the ping as it was).
    static void Fill(Row& row, const ServerRecord& record);
    bool HasRow(int row) const { return row >= 0 && static_cast<size_t>(row) < rows_.size(); }

    ServerStore& store_;
    const ServerList list_;
    std::vector<Row> rows_; // the status lines first, then the store's entries in its order
    int statusRows_ = 0;
    int64_t nextPlace_ = 0;   // the place of the next row added
    int64_t statusPlace_ = 0; // the place of the newest status line (status lines go below 0)
};
