#include "app/about_dlg.h"

#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "app/main_dlg.h"
#include "platform/platform.h"

#include <QGroupBox>
#include <QMouseEvent>
#include <QPushButton>

CStaticLink::CStaticLink(const QString& url, QWidget* parent, bool crosshair)
    : QLabel(url, parent), url_(url), crosshair_(crosshair)
{
    setMouseTracking(crosshair);
}

void CStaticLink::mouseMoveEvent(QMouseEvent* event)
{
    if (crosshair_)
        setCursor(Qt::CrossCursor);
    QLabel::mouseMoveEvent(event);
}

void CStaticLink::enterEvent(QEnterEvent* event)
{
    if (crosshair_)
        setCursor(Qt::CrossCursor);
    QLabel::enterEvent(event);
}

void CStaticLink::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("CAboutDlg");
    setWindowTitle("About ZNKTool");
    setWindowIcon(AppIcon());
    setFixedSize(DluX(172), DluY(94));

    MakeGroup(this, "ZNK Tool", 7, 7, 158, 60);

    auto* version = new QLabel("Version 1.1", this);
    version->setAlignment(Qt::AlignCenter);
    version->setGeometry(DluRect(12, 20, 148, 10));

    modSite_ = new CStaticLink(kModSiteUrl, this);
    SetControlId(modSite_, 1170);
    modSite_->setAlignment(Qt::AlignCenter);
    modSite_->setGeometry(DluRect(12, 34, 148, 10));

    auto* author = new CStaticLink(kAuthorUrl, this, false);
    SetControlId(author, 1171);
    author->setAlignment(Qt::AlignCenter);
    author->setGeometry(DluRect(12, 48, 148, 10));
    author_ = author;

    auto* ok = new QPushButton("OK", this);
    SetControlId(ok, 1);
    ok->setDefault(true);
    ok->setGeometry(DluRect(61, 73, 50, 14));

    for (CStaticLink* link : {modSite_, author}) {
        link->setStyleSheet("color: #0645ad;");
        connect(link, &CStaticLink::clicked, this, [link] { platform::OpenUrl(link->url().toStdString()); });
    }
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
