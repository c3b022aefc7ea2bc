// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconfig/find_hl_dlg.h"

#include "core/path.h"
#include "core/thread_handoff.h"
#include "gameconfig/model/hl_scanner.h"
#include "platform/platform.h"
#include "settings/app_settings.h"
#include "ui/control_id.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <chrono>
#include <thread>

namespace {

// A status line that shows a long path shortened in the middle instead of widening the dialog
// (or cutting off the end, which tells where the search is). text() stays complete.
class ElidedLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect area = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, shown);
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// CFindHLThread

CFindHLThread::CFindHLThread(QObject* parent)
    : QThread(parent), roots(platform::DriveRoots()), skipFolders(platform::ScanSkipFolders())
{
}

CFindHLThread::~CFindHLThread()
{
    stopRequested = true;
    wait();
    MarkHandOffReceived(this);
}

void CFindHLThread::run()
{
    const HandOffAtExit handOff(this);
    // owner is only tested here, never dereferenced: QPointer's null test reads an atomic, and
    // a signal sent just as the dialog goes away is dropped with its connection.
    if (!owner.isNull())
        Q_EMIT clearFound();

    CHLScanner scanner(kClientExeName, stopRequested);
    scanner.SetSkipFolders(skipFolders);
    CRateLimiter statusLimit{std::chrono::milliseconds(kStatusIntervalMs)};
    scanner.onEnterFolder = [&](const std::string& folder) {
        if (!owner.isNull() && statusLimit.Allow(CRateLimiter::Clock::now()))
            Q_EMIT statusChanged(QString::fromStdString(folder));
    };
    scanner.onFound = [&](const std::string& path) {
        if (!owner.isNull())
            Q_EMIT executableFound(QByteArray::fromStdString(path));
    };

    for (const std::string& root : roots) {
        if (stopRequested)
            break;
        if (FolderExists(root))
            scanner.ScanFolder(root);
    }

    if (!owner.isNull())
        Q_EMIT statusChanged(QStringLiteral("Done"));
    stopRequested = false;
    done = true;
}

// ---------------------------------------------------------------------------------------------
// CFindHLDlg

CFindHLDlg::CFindHLDlg(AppSettings& settings, CFindHLThread& scanner, QWidget* parent)
    : QDialog(parent), settings_(settings), scanner_(scanner)
{
    setObjectName(QStringLiteral("CFindHLDlg"));
    CreateWidgets();
    ConnectWidgets();
}

void CFindHLDlg::CreateWidgets()
{
    setWindowTitle(QStringLiteral("Please select your Half-Life executable"));
    setModal(true);

    status_ = new ElidedLabel(this);
    status_->setObjectName(ControlName(IdStatus));
    status_->setTextFormat(Qt::PlainText);
    // Ignored: a long path must not grow the dialog on every folder.
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    status_->setMinimumHeight(status_->fontMetrics().height());

    found_ = new QListWidget(this);
    found_->setObjectName(ControlName(IdFoundList));
    found_->setSelectionMode(QAbstractItemView::SingleSelection);
    found_->setSortingEnabled(false);

    ok_ = new QPushButton(QStringLiteral("Ok"), this);
    ok_->setObjectName(ControlName(IdOk));
    ok_->setEnabled(false);
    ok_->setDefault(true);

    browse_ = new QPushButton(QStringLiteral("Browse"), this);
    browse_->setObjectName(ControlName(IdBrowse));
    browse_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(browse_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(found_, 1);
    layout->addLayout(buttons);
    resize(520, 320);
}

void CFindHLDlg::ConnectWidgets()
{
    connect(found_, &QListWidget::itemSelectionChanged, this, &CFindHLDlg::OnSelectionChanged);
    connect(found_, &QListWidget::itemDoubleClicked, this, &CFindHLDlg::OnItemDoubleClicked);
    connect(ok_, &QPushButton::clicked, this, &CFindHLDlg::ConfirmFoundExecutable);
    connect(browse_, &QPushButton::clicked, this, &CFindHLDlg::BrowseForExecutable);
}

CFindHLDlg::~CFindHLDlg()
{
    // Cut the scanner off before the widgets go, not only when QObject's destructor runs.
    disconnect(&scanner_, nullptr, this, nullptr);
}

void CFindHLDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!initialized_) {
        initialized_ = true;
        InitDialog();
    }
}

void CFindHLDlg::InitDialog()
{
    // A scanner already running belongs to another dialog; its owner cannot change under it.
    if (scanner_.isRunning())
        return;
    scanner_.owner = this;
    connect(&scanner_, &CFindHLThread::clearFound, this, &CFindHLDlg::OnClearFound, Qt::QueuedConnection);
    connect(&scanner_, &CFindHLThread::statusChanged, this, &CFindHLDlg::OnStatusChanged, Qt::QueuedConnection);
    connect(&scanner_, &CFindHLThread::executableFound, this, &CFindHLDlg::OnExecutableFound, Qt::QueuedConnection);
    scanner_.stopRequested = false;
    scanner_.done = false;
    scanner_.start();
}

void CFindHLDlg::OnClearFound()
{
    found_->clear();
}

void CFindHLDlg::OnStatusChanged(const QString& text)
{
    status_->setText(text);
}

void CFindHLDlg::OnExecutableFound(const QByteArray& path)
{
    // The exact bytes are kept beside the shown text: a POSIX path need not be valid UTF-8 and
    // must reach the settings unchanged.
    auto* item = new QListWidgetItem(QString::fromUtf8(path));
    item->setData(Qt::UserRole, path);
    found_->addItem(item);
}

void CFindHLDlg::OnSelectionChanged()
{
    ok_->setEnabled(!found_->selectedItems().isEmpty());
}

void CFindHLDlg::OnItemDoubleClicked(QListWidgetItem*)
{
    ConfirmFoundExecutable();
}

void CFindHLDlg::ConfirmFoundExecutable()
{
    const QList<QListWidgetItem*> selected = found_->selectedItems();
    if (selected.isEmpty())
        return;
    QByteArray path = selected.first()->data(Qt::UserRole).toByteArray();
    if (path.isEmpty())
        path = selected.first()->text().toUtf8();
    settings_.SetGamePath(path.toStdString());
    settings_.SetFirstRunDefaults();
    done(ResultOk);
}

void CFindHLDlg::BrowseForExecutable()
{
    settings_.BrowseForGame(true);
    if (!settings_.gameFolder.empty())
        done(ResultBrowse);
}

int CFindHLDlg::RunFirstRunFinder(AppSettings& settings)
{
    CFindHLThread scanner;
    return RunFirstRunFinder(settings, scanner);
}

int CFindHLDlg::RunFirstRunFinder(AppSettings& settings, CFindHLThread& scanner)
{
    int result;
    {
        CFindHLDlg dialog(settings, scanner);
        result = dialog.exec();
    }
    StopAndWait(scanner);
    return result;
}

void CFindHLDlg::StopAndWait(CFindHLThread& scanner)
{
    scanner.stopRequested = true;
    // isRunning(): a scanner that never started would otherwise be waited for forever.
    while (scanner.isRunning() && !scanner.done && scanner.stopRequested)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // The scan has ended its work; join the thread so that the QThread may be destroyed.
    scanner.wait();
    MarkHandOffReceived(&scanner);
}
