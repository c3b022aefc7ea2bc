// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconfig/settings_dlg.h"

#include "gameconfig/settings_binds.h"
#include "gameconfig/settings_main.h"
#include "gameconfig/settings_misc.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"

#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTabBar>

namespace {

constexpr int kPageTopDlu = 20;

} // namespace

CSettingsDlg::CSettingsDlg(const PageContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName("CSettingsDlg");
    CreateWidgets();
    ConnectWidgets();
}

void CSettingsDlg::CreateWidgets()
{
    setWindowTitle("Settings");
    setModal(false);
    setFixedSize(DluX(280), DluY(200));

    tabs_ = SetControlId(new QTabBar(this), IdTabs);
    // Wide enough for the three titles in any style: no scroll arrows.
    Place(tabs_, 6, 4, 200, 13);
    tabs_->setExpanding(false);
    tabs_->setDrawBase(false);
    {
        const QSignalBlocker quiet(tabs_);
        for (const char* text : {"Main Settings", "Misc.", "Binds Editor"})
            tabs_->addTab(text);
    }

    const QRect pageRect = DluRect(0, kPageTopDlu, 280, 180);
    main_ = new CSettingsMain(ctx_, this);
    pages_[MainPage] = main_;
    misc_ = new CSettingsMisc(ctx_, this);
    pages_[MiscPage] = misc_;
    binds_ = new CSettingsBinds(ctx_, this);
    pages_[BindsPage] = binds_;
    for (QWidget* p : pages_) {
        p->setGeometry(pageRect);
        p->hide();
    }
    current_ = main_;
    main_->show();
}

void CSettingsDlg::ConnectWidgets()
{
    connect(tabs_, &QTabBar::currentChanged, this, &CSettingsDlg::ShowPage);
}

void CSettingsDlg::ShowPage(int index)
{
    QWidget* p = page(index);
    if (!p || p == current_)
        return;
    current_->hide();
    p->show();
    current_ = p;
}

void CSettingsDlg::ToggleSettings()
{
    if (isVisible()) {
        hide();
        return;
    }
    show();
    current_->show();
    raise();
    activateWindow();
}

void CSettingsDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter applies a typed game location; anywhere else it does nothing, and never closes.
        if (current_ == main_ && main_->LocationHasFocus())
            main_->OnLocationOk();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CSettingsDlg::reject()
{
    // Escape and the close box: the window lives on, hidden.
    hide();
}

void CSettingsDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Q_EMIT shownChanged(true);
}

void CSettingsDlg::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    Q_EMIT shownChanged(false);
}
