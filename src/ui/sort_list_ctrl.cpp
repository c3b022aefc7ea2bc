// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/sort_list_ctrl.h"

#include "query/list_roles.h"
#include "ui/control_id.h"
#include "ui/display_text.h"

#include <QHelpEvent>
#include <QImage>
#include <QItemSelectionModel>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>
#include <QStringList>
#include <QStyleOptionHeader>
#include <QTextLayout>
#include <QToolTip>

#include <algorithm>
#include <array>

// The resources live in the static library; naming the initialiser makes the linker keep them.
static void InitSortImages()
{
    Q_INIT_RESOURCE(znktool);
}

namespace {

constexpr int kArrowMargin = 4;
constexpr int kTipScreenMargin = 16; // pixels a tip keeps from each side of the screen

int g_lastSortColumn = CSortListCtrl::kNoSortColumn;
bool g_lastSortFlag = false;

// text broken into lines no wider than width in font: between words where it can, inside a word
// longer than a line where it must. Nothing is dropped: without the line breaks it is text again.
QString BreakIntoLines(const QString& text, const QFont& font, int width)
{
    QStringList lines;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines.append(paragraph.mid(line.textStart(), line.textLength()));
        }
        layout.endLayout();
        if (paragraph.isEmpty())
            lines.append(QString());
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

// ---- CSortHeader ----

CSortHeader::CSortHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void CSortHeader::SetArrow(int column, int image)
{
    if (column == arrowColumn_ && image == arrowImage_)
        return;
    arrowColumn_ = image < 0 ? -1 : column;
    arrowImage_ = image < 0 ? -1 : image;
    viewport()->update();
}

void CSortHeader::ClearArrow()
{
    SetArrow(-1, -1);
}

int CSortHeader::ImageOf(int column) const
{
    return column >= 0 && column == arrowColumn_ ? arrowImage_ : -1;
}

void CSortHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (logicalIndex != arrowColumn_ || !rect.isValid()) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    // As QHeaderView draws a section, but with the title kept clear of the arrow's place.
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    initStyleOptionForIndex(&opt, logicalIndex);
    opt.rect = rect;
    painter->save();
    style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);

    const QPixmap arrow = CReportListCtrl::SortImage(arrowImage_);
    const qreal dpr = arrow.devicePixelRatio() > 0 ? arrow.devicePixelRatio() : 1.0;
    const int arrowWidth = qRound(arrow.width() / dpr);
    const int arrowHeight = qRound(arrow.height() / dpr);
    QStyleOptionHeader label = opt;
    label.rect = style()->subElementRect(QStyle::SE_HeaderLabel, &opt, this);
    label.rect.setRight(std::min(label.rect.right(), rect.right() - arrowWidth - 2 * kArrowMargin));
    if (label.rect.width() > 0)
        style()->drawControl(QStyle::CE_HeaderLabel, &label, painter, this);
    painter->drawPixmap(rect.right() - kArrowMargin - arrowWidth + 1, rect.top() + (rect.height() - arrowHeight) / 2,
                        arrow);
    painter->restore();
}

// ---- CReportListCtrl ----

CReportListCtrl::CReportListCtrl(QWidget* parent)
    : QTreeView(parent), model_(new CReportModel(this)), header_(new CSortHeader(this))
{
    setHeader(header_);
    setModel(model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    // The lists order rows themselves, with SortCompare. Turning Qt's sorting off also makes
    // the header unclickable, so clickability comes after.
    setSortingEnabled(false);
    header_->setSectionsClickable(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);

    connect(header_, &QHeaderView::sectionClicked, this, &CReportListCtrl::OnColumnClick);
}

void CReportListCtrl::setModel(QAbstractItemModel* model)
{
    disconnect(rowsHook_);
    QTreeView::setModel(model);
    if (!model)
        return;
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { Q_EMIT SelectedRowChanged(GetSelectedRow()); });
    rowsHook_ =
        connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent, int first, int last) {
            if (!parent.isValid())
                SpanStatusRows(first, last);
        });
    SpanStatusRows(0, model->rowCount() - 1);
}

void CReportListCtrl::SpanStatusRows(int first, int last)
{
    for (int row = first; row <= last; ++row)
        if (IsStatusItem(row))
            setFirstColumnSpanned(row, QModelIndex(), true);
}

int CReportListCtrl::InsertColumn(int index, const QString& title, int widthPx)
{
    const int column = model_->InsertColumn(index, title);
    header_->resizeSection(column, widthPx);
    return column;
}

int CReportListCtrl::GetColumnCount() const
{
    return model()->columnCount();
}

int CReportListCtrl::InsertItem(int row, const QString& text)
{
    return model_->InsertRow(row, text.toStdString());
}
int CReportListCtrl::InsertItem(int row, const std::string& text)
{
    return model_->InsertRow(row, text);
}
int CReportListCtrl::InsertItem(int row, const char* text)
{
    return model_->InsertRow(row, text ? text : "");
}

int CReportListCtrl::InsertStatusItem(int row, const QString& text)
{
    return model_->InsertStatusRow(row, text.toStdString());
}

bool CReportListCtrl::IsStatusItem(int row) const
{
    if (ShowsOwnRows())
        return model_->IsStatusRow(row);
    return model()->index(row, 0).data(ListRole::Status).toBool();
}

bool CReportListCtrl::SetItemText(int row, int column, const QString& text)
{
    return model_->SetText(row, column, text.toStdString());
}
bool CReportListCtrl::SetItemText(int row, int column, const std::string& text)
{
    return model_->SetText(row, column, text);
}
bool CReportListCtrl::SetItemText(int row, int column, const char* text)
{
    return model_->SetText(row, column, text ? text : "");
}

QString CReportListCtrl::GetItemText(int row, int column) const
{
    if (ShowsOwnRows())
        return DisplayLine(model_->Text(row, column));
    return model()->index(row, column).data().toString();
}
std::string CReportListCtrl::GetItemTextStd(int row, int column) const
{
    if (ShowsOwnRows())
        return model_->Text(row, column);
    return model()->index(row, column).data(ListRole::Bytes).toByteArray().toStdString();
}

int CReportListCtrl::GetItemCount() const
{
    return model()->rowCount();
}
bool CReportListCtrl::DeleteItem(int row)
{
    return model_->RemoveRow(row);
}
void CReportListCtrl::DeleteAllItems()
{
    model_->RemoveAllRows();
}

bool CReportListCtrl::SetItemData(int row, void* data)
{
    return model_->SetRowData(row, data);
}
void* CReportListCtrl::GetItemData(int row) const
{
    return model_->RowData(row);
}
int CReportListCtrl::FindItemData(const void* data) const
{
    return model_->FindRowData(data);
}

int CReportListCtrl::GetSelectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() || IsStatusItem(rows.first().row()) ? -1 : rows.first().row();
}

void CReportListCtrl::SelectRow(int row)
{
    {
        const QSignalBlocker quiet(selectionModel());
        if (row >= 0 && row < GetItemCount() && !IsStatusItem(row))
            selectionModel()->setCurrentIndex(model()->index(row, 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        else
            selectionModel()->clear();
    }
    // The view learns of selection changes through the signals just held back.
    viewport()->update();
}

void CReportListCtrl::EnsureVisible(int row)
{
    if (row >= 0 && row < GetItemCount())
        scrollTo(model()->index(row, 0));
}

int CReportListCtrl::GetHeaderImage(int column) const
{
    return header_->ImageOf(column);
}

QPixmap CReportListCtrl::SortImage(int image)
{
    // Kept as images: a static QPixmap would outlive the application object.
    static const std::array<QImage, 2> images = [] {
        InitSortImages();
        return std::array<QImage, 2>{QImage(":/res/158.xpm"), QImage(":/res/157.xpm")};
    }();
    return image == 0 || image == 1 ? QPixmap::fromImage(images[image]) : QPixmap();
}

bool CReportListCtrl::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QTreeView::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString text = index.data(Qt::ToolTipRole).toString();
    const QRect cell = visualRect(index);
    // A cell that shows all of its text needs no tip. A long text is broken into lines that fit
    // the screen: a name of thousands of characters on one line could not be read.
    if (!text.isEmpty() && sizeHintForIndex(index).width() > cell.width()) {
        const int width = screen()->availableGeometry().width() - 2 * kTipScreenMargin;
        QToolTip::showText(help->globalPos(), BreakIntoLines(text, QToolTip::font(), width), viewport(), cell);
    } else {
        QToolTip::hideText();
    }
    return true;
}

void CReportListCtrl::OnColumnClick(int column)
{
    header_->ClearArrow();
    const bool flag = column != SortColumn() ? true : !SortFlag();
    StoreSortState(column, flag);
    SortAndShow(column, flag);
}

void CReportListCtrl::SortAndShow(int column, bool ascending)
{
    if (column < 0 || column >= GetColumnCount()) {
        header_->ClearArrow();
        return;
    }
    header_->SetArrow(column, ascending ? 0 : 1);
    if (!ShowsOwnRows())
        return;
    // The same row stays selected; only its place changes, which is no news to the user.
    const QSignalBlocker quiet(selectionModel());
    model_->Sort(column, ascending);
}

// ---- CSortListCtrl ----

CSortListCtrl::CSortListCtrl(QWidget* parent) : CReportListCtrl(parent) {}

int CSortListCtrl::LastSortColumn()
{
    return g_lastSortColumn;
}
bool CSortListCtrl::LastSortFlag()
{
    return g_lastSortFlag;
}

void CSortListCtrl::StoreSortState(int column, bool flag)
{
    column_ = g_lastSortColumn = column;
    flag_ = g_lastSortFlag = flag;
}

void CSortListCtrl::DeleteAllItems()
{
    if (column_ != kNoSortColumn) {
        sortHeader()->ClearArrow();
        column_ = kNoSortColumn;
    }
    CReportListCtrl::DeleteAllItems();
}

// ---- CSrvListCtrl, CFavListCtrl ----

CSrvListCtrl::CSrvListCtrl(QWidget* parent) : CReportListCtrl(parent) {}

void CSrvListCtrl::StoreSortState(int column, bool flag)
{
    column_ = column;
    flag_ = flag;
    Q_EMIT sortChosen(column, flag);
}

void CSrvListCtrl::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    const QModelIndex current = currentIndex();
    if (!parent.isValid() && current.isValid() && current.row() >= start && current.row() <= end)
        SelectRow(-1);
    CReportListCtrl::rowsAboutToBeRemoved(parent, start, end);
}

void CSrvListCtrl::ShowSort(int column, bool ascending)
{
    column_ = column;
    flag_ = ascending;
    SortAndShow(column, ascending);
}

void SetUpReportList(CReportListCtrl* list, int id, const QRect& dlu)
{
    SetControlId(list, id);
    list->setGeometry(dlu);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setSectionsMovable(true);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
}
