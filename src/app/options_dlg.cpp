// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/options_dlg.h"

#include "app/about_dlg.h"
#include "app/app_identity.h"
#include "platform/platform.h"
#include "settings/app_settings.h"
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
    setFixedSize(DluX(466), DluY(212));

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

    // Steam's list of Internet servers, beside the queries.
    MakeGroup(this, "Steam Web API", 237, 7, 222, 66);
    MakeLabel(this, "Steam Web API key:", 244, 22, 72);
    webApiKey_ = Place(SetControlId(new QLineEdit(this), IdWebApiKey), 318, 20, 90, 12);
    webApiKey_->setEchoMode(QLineEdit::Password);
    webApiKey_->setToolTip("The key the Web API lists Internet servers for; it stays in Options.ini, "
                           "readable by you alone");
    showKey_ = Place(MakeButton(this, IdShowKey, "Show"), 411, 19, 42, 14);
    showKey_->setCheckable(true);
    keyPage_ = Place(SetControlId(new CStaticLink(kKeyPageUrl, this), IdKeyPage), 244, 36, 208, 10);
    keyPage_->setText("Get a key of your own at steamcommunity.com/dev/apikey");
    keyPage_->setStyleSheet("color: #0645ad;");
    keyPage_->setToolTip("Sign in to Steam there, give any domain name, and paste the key above");
    MakeLabel(this, "Servers listed at most:", 244, 54, 100);
    webApiLimit_ = Place(SetControlId(new QSpinBox(this), IdWebApiLimit), 346, 52, 50, 12);
    webApiLimit_->setRange(ToolOptions::kMinWebApiLimit, ToolOptions::kMaxWebApiLimit);

    MakeGroup(this, "More master servers", 237, 77, 222, 66);
    moreMasters_ = Place(SetControlId(new QListWidget(this), IdMoreMasters), 244, 90, 150, 32);
    moreMasters_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    moreMasters_->setToolTip("UDP master servers asked at every Update beside the one of the settings window");
    removeMaster_ = Place(MakeButton(this, IdRemoveMaster, "Remove"), 398, 90, 54, 14);
    newMaster_ = Place(SetControlId(new QLineEdit(this), IdNewMaster), 244, 126, 150, 12);
    newMaster_->setPlaceholderText("host or address, and :port");
    addMaster_ = Place(MakeButton(this, IdAddMaster, "Add"), 398, 125, 54, 14);

    MakeGroup(this, "Refresh", 237, 147, 222, 40);
    queryOnPing_ =
        Place(SetControlId(new QCheckBox("Query each server as soon as it answers the ping", this), IdQueryOnPing), 244,
              161, 208, 10);
    MakeLabel(this, "Unchecked, the servers are asked once every ping is in.", 244, 174, 208);

    Place(MakeButton(this, IdOk, "OK"), 355, 192, 50, 14)->setDefault(true);
    Place(MakeButton(this, IdCancel, "Cancel"), 409, 192, 50, 14);
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
    connect(showKey_, &QPushButton::clicked, this, [this](bool shown) {
        webApiKey_->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
        showKey_->setText(shown ? "Hide" : "Show");
    });
    // Opened only when clicked, by the desktop's browser.
    connect(keyPage_, &CStaticLink::clicked, this, [] { platform::OpenUrl(kKeyPageUrl); });
    connect(addMaster_, &QPushButton::clicked, this, &COptionsDlg::OnAddMaster);
    connect(newMaster_, &QLineEdit::textChanged, this, [this](const QString& text) {
        addMaster_->setEnabled(!NormalizeMasterEntry(text.toStdString()).empty() &&
                               moreMasters_->count() < static_cast<int>(ToolOptions::kMaxMoreMasters));
    });
    connect(removeMaster_, &QPushButton::clicked, this, [this] { qDeleteAll(moreMasters_->selectedItems()); });
    connect(moreMasters_, &QListWidget::itemSelectionChanged, this,
            [this] { removeMaster_->setEnabled(!moreMasters_->selectedItems().isEmpty()); });
}

void COptionsDlg::OnAddMaster()
{
    const std::string entry = NormalizeMasterEntry(newMaster_->text().toStdString());
    if (entry.empty() || IsSteamWebApiMaster(entry) ||
        moreMasters_->count() >= static_cast<int>(ToolOptions::kMaxMoreMasters))
        return;
    const QString text = QString::fromStdString(entry);
    if (moreMasters_->findItems(text, Qt::MatchFixedString | Qt::MatchCaseSensitive).isEmpty())
        moreMasters_->addItem(text);
    newMaster_->clear();
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
    webApiKey_->setText(QString::fromStdString(options_.webApiKey));
    webApiLimit_->setValue(options_.webApiLimit);
    for (const std::string& entry : options_.moreMasters)
        moreMasters_->addItem(QString::fromStdString(entry));
    removeMaster_->setEnabled(false);
    addMaster_->setEnabled(false);
    queryOnPing_->setChecked(options_.queryOnPing);
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
    // Pasted with a blank or a line break around it, a key is still the key.
    out.webApiKey = webApiKey_->text().trimmed().toStdString();
    out.webApiLimit = webApiLimit_->value();
    out.moreMasters.clear();
    for (int i = 0; i < moreMasters_->count(); ++i)
        out.moreMasters.push_back(moreMasters_->item(i)->text().toStdString());
    out.queryOnPing = queryOnPing_->isChecked();
    return out;
}
