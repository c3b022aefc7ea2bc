// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/server_filter_row.h"

#include "ui/control_id.h"
#include "ui/dialog_units.h"

#include <QAction>
#include <QActionGroup>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolButton>

namespace {
constexpr int kButtonW = 38;
} // namespace

CServerFilterRow::CServerFilterRow(ServerFilter& filter, QWidget* page, const QRect& dlu)
    : QObject(page), filter_(filter)
{
    CreateWidgets(page, dlu);
    ConnectWidgets();
    LoadControls();
}

void CServerFilterRow::CreateWidgets(QWidget* page, const QRect& dlu)
{
    text_ = SetControlId(new QLineEdit(page), IdFilterText);
    text_->setGeometry(DluRect(dlu.x(), dlu.y(), dlu.width() - kButtonW - 2, dlu.height()));
    text_->setPlaceholderText("Name or map");
    text_->setToolTip("Lists only the servers whose name or map holds this text");
    text_->setClearButtonEnabled(true);
    // Counted as the options file counts it when the text comes back after a restart.
    text_->setMaxLength(static_cast<int>(ServerFilter::kMaxTextLength));

    button_ = SetControlId(new QToolButton(page), IdFilters);
    button_->setText("Filters");
    button_->setGeometry(DluRect(dlu.right() + 1 - kButtonW, dlu.y(), kButtonW, dlu.height()));
    button_->setPopupMode(QToolButton::InstantPopup);
    menu_ = new QMenu(button_);
    button_->setMenu(menu_);
    const auto check = [this](int id, const char* text, bool ServerFilter::*flag) {
        QAction* line = AddCommand(menu_, id, text);
        line->setCheckable(true);
        connect(line, &QAction::toggled, this, [this, flag](bool on) {
            filter_.*flag = on;
            Q_EMIT changed();
        });
    };
    check(IdHideEmpty, "Hide Empty Servers", &ServerFilter::hideEmpty);
    check(IdHideFull, "Hide Full Servers", &ServerFilter::hideFull);
    check(IdHidePassworded, "Hide Passworded Servers", &ServerFilter::hidePassworded);
    pingMenu_ = menu_->addMenu("Maximum Ping");
    SetControlId(pingMenu_->menuAction(), IdMaxPing);
    menu_->addSeparator();
    connect(AddCommand(menu_, IdClearFilters, "Show All Servers"), &QAction::triggered, this, [this] {
        filter_ = ServerFilter();
        LoadControls();
        Q_EMIT changed();
    });
}

void CServerFilterRow::ConnectWidgets()
{
    text_->installEventFilter(this);
    connect(text_, &QLineEdit::textChanged, this, [this](const QString& text) {
        filter_.text = text.toStdString();
        Q_EMIT changed();
    });
}

void CServerFilterRow::FillPingMenu()
{
    pingMenu_->clear();
    auto* group = new QActionGroup(pingMenu_);
    const auto add = [&](int id, int ping) {
        QAction* line = AddCommand(pingMenu_, id, ping ? QString("%1 ms").arg(ping) : QString("Any"));
        line->setCheckable(true);
        line->setChecked(filter_.maxPing == ping);
        group->addAction(line);
        connect(line, &QAction::triggered, this, [this, ping] {
            filter_.maxPing = ping;
            Q_EMIT changed();
        });
    };
    add(IdAnyPing, 0);
    int id = IdAnyPing;
    bool listed = filter_.maxPing == 0;
    for (int ping : kPingChoices) {
        add(++id, ping);
        listed = listed || filter_.maxPing == ping;
    }
    // A value written into the options file by hand is shown as it is, not lost to a choice.
    if (!listed)
        add(++id, filter_.maxPing);
}

void CServerFilterRow::LoadControls()
{
    const QSignalBlocker quietText(text_);
    text_->setText(QString::fromStdString(filter_.text));
    for (auto [id, on] : {std::pair{IdHideEmpty, filter_.hideEmpty}, std::pair{IdHideFull, filter_.hideFull},
                          std::pair{IdHidePassworded, filter_.hidePassworded}}) {
        QAction* line = FindControl<QAction>(menu_, id);
        const QSignalBlocker quiet(line);
        line->setChecked(on);
    }
    FillPingMenu();
}

bool CServerFilterRow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == text_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !text_->text().isEmpty()) {
        text_->clear();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
