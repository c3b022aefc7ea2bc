// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/options_dlg.h"

#include "app/app_identity.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/display_text.h"
#include "ui/line_field.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <algorithm>

COptionsDlg::COptionsDlg(const ToolOptions& options, QWidget* parent,
                         std::function<std::string(const std::string&)> serverName)
    : QDialog(parent), options_(options), serverName_(std::move(serverName))
{
    setObjectName("COptionsDlg");
    CreateWidgets();
    ConnectWidgets();
    LoadControls();
}

void COptionsDlg::CreateWidgets()
{
    setWindowTitle("Options");
    setWindowIcon(AppIcon());
    setFixedSize(DluX(236), DluY(212));

    MakeGroup(this, "Server queries", 7, 7, 222, 66);
    MakeLabel(this, "Query dialect:", 14, 22, 80);
    dialect_ = Place(SetControlId(new QComboBox(this), IdDialect), 98, 20, 124, 12);
    for (const char* text : kDialectTexts)
        dialect_->addItem(text);
    MakeLabel(this, "Queries at once:", 14, 38, 80);
    queriesAtOnce_ = Place(SetControlId(new QSpinBox(this), IdQueriesAtOnce), 98, 36, 40, 12);
    queriesAtOnce_->setRange(1, ToolOptions::kMaxQueriesAtOnce);
    MakeLabel(this, "LAN targets:", 14, 54, 80);
    lanTargets_ = Place(SetControlId(new QLineEdit(this), IdLanTargets), 98, 52, 124, 12);
    lanTargets_->setPlaceholderText("every network's broadcast address");
    lanTargets_->setToolTip("Addresses Find LAN Servers sends to, separated by commas");

    MakeGroup(this, "Hidden servers", 7, 77, 222, 66);
    hidden_ = Place(SetControlId(new QListWidget(this), IdHiddenServers), 14, 90, 150, 46);
    hidden_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    hidden_->setToolTip("Servers hidden from the Servers list with \"Hide This Server\"");
    showAgain_ = Place(MakeButton(this, IdShowAgain, "Show Again"), 168, 90, 54, 14);

    MakeGroup(this, "Friends", 7, 147, 222, 40);
    watchFavorites_ = Place(SetControlId(new QCheckBox("Ask the favourites for friends every", this), IdWatchFavorites),
                            14, 161, 150, 10);
    watchMinutes_ = Place(SetControlId(new QSpinBox(this), IdWatchMinutes), 166, 160, 56, 12);
    watchMinutes_->setRange(ToolOptions::kMinWatchMinutes, ToolOptions::kMaxWatchMinutes);
    watchMinutes_->setSuffix(" min");
    MakeLabel(this, "A friend seen on a server is told of once an hour.", 14, 174, 208);

    Place(MakeButton(this, IdOk, "OK"), 118, 192, 50, 14)->setDefault(true);
    Place(MakeButton(this, IdCancel, "Cancel"), 172, 192, 50, 14);
    OneLineFields(this);
}

void COptionsDlg::ConnectWidgets()
{
    connect(FindControl<QPushButton>(this, IdOk), &QPushButton::clicked, this, &QDialog::accept);
    connect(FindControl<QPushButton>(this, IdCancel), &QPushButton::clicked, this, &QDialog::reject);
    connect(showAgain_, &QPushButton::clicked, this, [this] { qDeleteAll(hidden_->selectedItems()); });
    connect(hidden_, &QListWidget::itemSelectionChanged, this,
            [this] { showAgain_->setEnabled(!hidden_->selectedItems().isEmpty()); });
    connect(watchFavorites_, &QCheckBox::toggled, watchMinutes_, &QWidget::setEnabled);
}

void COptionsDlg::LoadControls()
{
    dialect_->setCurrentIndex(static_cast<int>(options_.dialect));
    queriesAtOnce_->setValue(options_.queriesAtOnce);
    lanTargets_->setText(QString::fromStdString(JoinTargets(options_.lanTargets)));
    for (const std::string& address : options_.hiddenServers) {
        QString text = QString::fromStdString(address);
        const std::string name = serverName_ ? serverName_(address) : address;
        if (!name.empty() && name != address)
            text += " (" + DisplayLine(name) + ")";
        auto* item = new QListWidgetItem(text, hidden_);
        item->setData(Qt::UserRole, QByteArray::fromStdString(address));
        item->setToolTip(PlainToolTip(text));
    }
    showAgain_->setEnabled(false);
    watchFavorites_->setChecked(options_.watchFavorites);
    watchMinutes_->setValue(options_.watchMinutes);
    watchMinutes_->setEnabled(options_.watchFavorites);
}

ToolOptions COptionsDlg::options() const
{
    ToolOptions out = options_;
    out.dialect = static_cast<QueryDialect>(std::max(0, dialect_->currentIndex()));
    out.queriesAtOnce = queriesAtOnce_->value();
    out.lanTargets = SplitTargets(lanTargets_->text().toStdString());
    out.hiddenServers.clear();
    for (int i = 0; i < hidden_->count(); ++i)
        out.hiddenServers.push_back(hidden_->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    out.watchFavorites = watchFavorites_->isChecked();
    out.watchMinutes = watchMinutes_->value();
    return out;
}
