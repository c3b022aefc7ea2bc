// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_dlg.h"

#include "app/app_identity.h"
#include "platform/platform.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"

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
    CreateWidgets();
    ConnectWidgets();
}

void CAboutDlg::CreateWidgets()
{
    setWindowTitle("About ZNKTool");
    setWindowIcon(AppIcon());
    setFixedSize(DluX(172), DluY(94));

    // Four lines in the group, 12 units apart: the version, the two addresses, the license.
    MakeGroup(this, "ZNK Tool", 7, 7, 158, 60);
    Place(new QLabel(QString("Version %1").arg(AppVersion()), this), 12, 18, 148, 10)->setAlignment(Qt::AlignCenter);
    modSite_ = Place(SetControlId(new CStaticLink(kModSiteUrl, this), IdModSite), 12, 30, 148, 10);
    author_ = Place(SetControlId(new CStaticLink(kAuthorUrl, this, false), IdAuthor), 12, 42, 148, 10);
    for (CStaticLink* link : {modSite_, author_}) {
        link->setAlignment(Qt::AlignCenter);
        link->setStyleSheet("color: #0645ad;");
    }
    MakeLabel(this, QString("License: %1").arg(AppLicense()), 12, 54, 148, 10)->setAlignment(Qt::AlignCenter);
    Place(MakeButton(this, IdOk, "OK"), 61, 73, 50, 14)->setDefault(true);
}

void CAboutDlg::ConnectWidgets()
{
    for (CStaticLink* link : {modSite_, author_})
        connect(link, &CStaticLink::clicked, this, [link] { platform::OpenUrl(link->url().toStdString()); });
    connect(FindControl<QPushButton>(this, IdOk), &QPushButton::clicked, this, &QDialog::accept);
}
