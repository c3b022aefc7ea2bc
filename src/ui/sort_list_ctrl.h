// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ui/report_model.h"

#include <QHeaderView>
#include <QPixmap>
#include <QString>
#include <QTreeView>
#include <string>

// Column header that shows one sort arrow, at the right of its column's title (QHeaderView
// itself would put a decoration on the left).
class CSortHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit CSortHeader(QWidget* parent = nullptr);

    // image: 0 ascending, 1 descending (see CReportListCtrl::SortImage). Any other column's
    // arrow goes away.
    void SetArrow(int column, int image);
    void ClearArrow();
    // The image shown on a column: 0, 1, or -1 for none.
    int ImageOf(int column) const;
    int ArrowColumn() const { return arrowColumn_; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    int arrowColumn_ = -1;
    int arrowImage_ = -1;
};

// A report-style list with the calls of a Windows list control: rows of text cells, each with a
// data pointer, one selected row, and sorting by clicking a column header (SortCompare on the
// cell texts). Info tips: resting the mouse on a cell too narrow for its text shows the whole
// text. The three lists below differ only in where they keep the sort column and flag.
//
// A list shows its own rows, or the rows of a model given to it (a server list through its
// proxy): the calls that read rows, count them and select one then read that model (which gives
// the ListRole roles), and the status lines it has span their row there too. The calls that
// write rows write the list's own, which are then not shown.
class CReportListCtrl : public QTreeView {
    Q_OBJECT
public:
    explicit CReportListCtrl(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    // Where the column went (index is clamped to the columns there are).
    int InsertColumn(int index, const QString& title, int widthPx);
    int GetColumnCount() const;

    // Inserts a row with text in column 0; a row past the end appends. Returns the new row.
    int InsertItem(int row, const QString& text);
    int InsertItem(int row, const std::string& text);
    int InsertItem(int row, const char* text);
    // A status line ("Please Wait", "Pinging Servers"): its text spans the row, it stays on top
    // whatever the sort, and it cannot be selected.
    int InsertStatusItem(int row, const QString& text);
    bool IsStatusItem(int row) const;
    // False for a row or column that does not exist.
    bool SetItemText(int row, int column, const QString& text);
    bool SetItemText(int row, int column, const std::string& text);
    bool SetItemText(int row, int column, const char* text);
    // Empty for a row or column that does not exist. GetItemText is the text as shown
    // (DisplayLine); GetItemTextStd the bytes as they were set (or as the model holds them).
    QString GetItemText(int row, int column) const;
    std::string GetItemTextStd(int row, int column) const;
    int GetItemCount() const;
    bool DeleteItem(int row);
    virtual void DeleteAllItems();

    bool SetItemData(int row, void* data);
    void* GetItemData(int row) const;
    int FindItemData(const void* data) const; // -1 when no row holds it

    int GetSelectedRow() const; // -1 when none (a status line is never selected)
    // Selects a row (-1: none) without raising SelectedRowChanged: that signal is for the user's
    // choices, and code selecting a row already knows which.
    void SelectRow(int row);
    void EnsureVisible(int row);

    // The header image a column shows: 0 ascending, 1 descending, -1 none.
    int GetHeaderImage(int column) const;
    // The arrows: 0 ascending (resource 158), 1 descending (resource 157); 14 x 14, transparent.
    static QPixmap SortImage(int image);

    virtual int SortColumn() const = 0;
    virtual bool SortFlag() const = 0; // set = ascending

    // What a click on a column header does (the header's sectionClicked calls it): a new column
    // sorts ascending, the same column again turns the direction round.
    void OnColumnClick(int column);

    CReportModel* reportModel() const { return model_; }
    CSortHeader* sortHeader() const { return header_; }

Q_SIGNALS:
    // The user selected another row (row -1: none). Not raised by SelectRow or by sorting.
    void SelectedRowChanged(int row);

protected:
    // The info tip over a cut-off cell.
    bool viewportEvent(QEvent* event) override;
    virtual void StoreSortState(int column, bool flag) = 0;
    // Sorts by column with the arrow on it; the selected row stays selected, silently. Only the
    // arrow goes on when the list shows another model: its owner sorts that.
    void SortAndShow(int column, bool ascending);

private:
    bool ShowsOwnRows() const { return model() == model_; }
    // The status lines among the rows that came span their row.
    void SpanStatusRows(int first, int last);

    CReportModel* model_;
    CSortHeader* header_;
    QMetaObject::Connection rowsHook_; // the shown model's new rows
};

// A list that remembers its own sort column (kNoSortColumn until a header is clicked).
class CSortListCtrl : public CReportListCtrl {
    Q_OBJECT
public:
    static constexpr int kNoSortColumn = 9999;

    explicit CSortListCtrl(QWidget* parent = nullptr);

    int SortColumn() const override { return column_; }
    bool SortFlag() const override { return flag_; }
    // The column and flag of the last header click on any CSortListCtrl. The original lists'
    // sort callback read this one process-wide pair; each sort here is given the clicked list's
    // own values instead, which are the same at that moment, so lists never sort by another
    // list's column. Kept for code that asks how the last list was sorted.
    static int LastSortColumn();
    static bool LastSortFlag();

    // Also forgets the sort column (its arrow goes); the flag stays.
    void DeleteAllItems() override;

protected:
    void StoreSortState(int column, bool flag) override;

private:
    int column_ = kNoSortColumn;
    bool flag_ = false;
};

// The Servers list. Its sort column and flag live in the settings (serverSortColumn,
// serverSortFlag), kept by whoever keeps the list's rows: a header click only reports the sort
// chosen, and ShowSort shows the sort done.
class CSrvListCtrl : public CReportListCtrl {
    Q_OBJECT
public:
    explicit CSrvListCtrl(QWidget* parent = nullptr);

    int SortColumn() const override { return column_; }
    bool SortFlag() const override { return flag_; }
    // The sort the list shows: the arrow on that column (none when the list lacks it), and its own
    // rows sorted by it.
    void ShowSort(int column, bool ascending);
    // Sorts its own rows again by the sort it shows.
    void Sort() { ShowSort(column_, flag_); }

Q_SIGNALS:
    // A header click chose this sort (a new column ascending, the same one turned round).
    void sortChosen(int column, bool ascending);

protected:
    void StoreSortState(int column, bool flag) override;
    // A server leaving the list (the filter, Hide, Remove) takes the selection with it: the view
    // would select the next row instead, and Connect must never act on a row nobody chose.
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;

private:
    int column_ = 0;
    bool flag_ = false;
};

// The favourites list: a server list whose sort lives in favoriteSortColumn/favoriteSortFlag.
class CFavListCtrl : public CSrvListCtrl {
    Q_OBJECT
public:
    using CSrvListCtrl::CSrvListCtrl;
};

// One column of a report list: its title and its width in pixels.
struct ColumnInfo {
    const char* title;
    int width;
};

// A report list as the pages show one: placed at dlu (dialog units) under the control id, one
// row selected at a time, columns the user can drag, and the page's own menu on a right click.
void SetUpReportList(CReportListCtrl* list, int id, const QRect& dlu);

template <size_t N> void AddColumns(CReportListCtrl* list, const ColumnInfo (&columns)[N])
{
    for (size_t i = 0; i < N; ++i)
        list->InsertColumn(static_cast<int>(i), columns[i].title, columns[i].width);
}
