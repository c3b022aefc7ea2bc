#include "app/options_dlg.h"

#include "app/main_dlg.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/line_field.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <algorithm>

COptionsDlg::COptionsDlg(const ToolOptions& options, QWidget* parent) : QDialog(parent), options_(options)
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
    setFixedSize(DluX(236), DluY(100));

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

    Place(MakeButton(this, IdOk, "OK"), 118, 80, 50, 14)->setDefault(true);
    Place(MakeButton(this, IdCancel, "Cancel"), 172, 80, 50, 14);
    OneLineFields(this);
}

void COptionsDlg::ConnectWidgets()
{
    connect(FindControl<QPushButton>(this, IdOk), &QPushButton::clicked, this, &QDialog::accept);
    connect(FindControl<QPushButton>(this, IdCancel), &QPushButton::clicked, this, &QDialog::reject);
}

void COptionsDlg::LoadControls()
{
    dialect_->setCurrentIndex(static_cast<int>(options_.dialect));
    queriesAtOnce_->setValue(options_.queriesAtOnce);
    lanTargets_->setText(QString::fromStdString(JoinTargets(options_.lanTargets)));
}

ToolOptions COptionsDlg::options() const
{
    ToolOptions out = options_;
    out.dialect = static_cast<QueryDialect>(std::max(0, dialect_->currentIndex()));
    out.queriesAtOnce = queriesAtOnce_->value();
    out.lanTargets = SplitTargets(lanTargets_->text().toStdString());
    return out;
}
