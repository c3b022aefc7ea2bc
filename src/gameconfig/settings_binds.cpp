// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconfig/settings_binds.h"

#include "core/text_file.h"
#include "gamefiles/settings_loader.h"
#include "settings/app_settings.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/display_text.h"
#include "ui/input_box.h"
#include "ui/line_field.h"
#include "ui/sort_list_ctrl.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

constexpr int kKeyDelayMs = 1;

} // namespace

CSettingsBinds::CSettingsBinds(const PageContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName("CSettingsBinds");
    CreateWidgets();
    ConnectWidgets();
    AddLoaderStep();
}

void CSettingsBinds::CreateWidgets()
{
    resize(DluX(280), DluY(180));
    list_ = SetControlId(new CSortListCtrl(this), IdList);
    list_->setGeometry(DluRect(6, 4, 190, 168));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setSectionsMovable(true);
    list_->InsertColumn(0, "Key", 89);
    list_->InsertColumn(1, "Value", 180);

    key_ = SetControlId(new QLabel(this), IdKey);
    key_->setAlignment(Qt::AlignCenter);
    key_->setFrameShape(QFrame::StyledPanel);
    key_->setGeometry(DluRect(202, 4, 72, 12));
    command_ = SetControlId(new QLineEdit(this), IdCommand);
    command_->setGeometry(DluRect(202, 20, 72, 12));
    MakeButton(this, IdAdd, "Add")->setGeometry(DluRect(202, 38, 34, 14));
    MakeButton(this, IdDelete, "Del")->setGeometry(DluRect(240, 38, 34, 14));
    MakeButton(this, IdRefresh, "Refresh")->setGeometry(DluRect(202, 158, 72, 14));

    keyTimer_.setObjectName("timer1");
    keyTimer_.setSingleShot(true);
    OneLineFields(this);
}

void CSettingsBinds::ConnectWidgets()
{
    connect(FindControl<QPushButton>(this, IdRefresh), &QPushButton::clicked, this, &CSettingsBinds::LoadBinds);
    connect(FindControl<QPushButton>(this, IdAdd), &QPushButton::clicked, this, &CSettingsBinds::AddBind);
    connect(FindControl<QPushButton>(this, IdDelete), &QPushButton::clicked, this, &CSettingsBinds::DeleteBind);
    connect(list_, &QAbstractItemView::clicked, this, &CSettingsBinds::ShowSelectedBind);
    connect(command_, &QLineEdit::textChanged, this, &CSettingsBinds::UpdateSelectedBind);
    connect(&keyTimer_, &QTimer::timeout, this, &CSettingsBinds::ShowSelectedBind);
    list_->installEventFilter(this);
}

void CSettingsBinds::AddLoaderStep()
{
    ctx_.loader.AddStep(CSettingsLoader::Binds, this, [this](LoaderInput& in) -> LoaderApply {
        return [this, binds = ReadBinds(in.files)] { ShowBinds(binds); };
    });
}

bool CSettingsBinds::eventFilter(QObject* watched, QEvent* event)
{
    // Started before the list sees the key: the binding shown is the one the key moved to.
    if (watched == list_ && event->type() == QEvent::KeyPress)
        keyTimer_.start(kKeyDelayMs);
    return QWidget::eventFilter(watched, event);
}

void CSettingsBinds::LoadBinds()
{
    ShowBinds(ReadBinds(CvarFiles::ForSettings(ctx_.settings)));
}

void CSettingsBinds::ShowBinds(const std::vector<Binding>& binds)
{
    const QSignalBlocker quiet(list_);
    list_->DeleteAllItems();
    for (const Binding& b : binds) {
        const int row = list_->InsertItem(list_->GetItemCount(), b.key);
        list_->SetItemText(row, 1, b.command);
    }
}

void CSettingsBinds::ShowSelectedBind()
{
    const int row = list_->GetSelectedRow();
    shownKey_ = row < 0 ? std::string() : list_->GetItemTextStd(row, 0);
    key_->setText(DisplayText(shownKey_));
    // Setting the command writes the binding back, as a change of the field does; with the bytes
    // the file has, so that an 8-bit command stays as it is.
    SetFieldBytes(command_, row < 0 ? std::string() : list_->GetItemTextStd(row, 1));
}

void CSettingsBinds::UpdateSelectedBind()
{
    if (key_->text().isEmpty())
        return;
    const std::string command = FieldBytes(command_);
    WriteBind(ctx_.GameFiles(), shownKey_, command);
    const int row = list_->GetSelectedRow();
    if (row >= 0)
        list_->SetItemText(row, 1, command);
}

void CSettingsBinds::AddBind()
{
    CInputBox keyBox(window());
    if (keyBox.DoModal("Bind Editor", "Please type the Key yo be bound", QString()) != CInputBox::IDOK)
        return;
    const QString key = keyBox.text;
    CInputBox commandBox(window());
    if (commandBox.DoModal("Bind Editor", "Type the command to assign to " + key, QString()) != CInputBox::IDOK)
        return;
    const std::string keyBytes = OneLine(key.toStdString());
    const std::string command = OneLine(commandBox.text.toStdString());
    const int row = list_->InsertItem(list_->GetItemCount(), keyBytes);
    list_->SetItemText(row, 1, command);
    list_->SelectRow(row);
    list_->EnsureVisible(row);
    WriteBind(ctx_.GameFiles(), keyBytes, command);
}

void CSettingsBinds::DeleteBind()
{
    const int row = list_->GetSelectedRow();
    if (row < 0)
        return;
    RemoveBind(ctx_.GameFiles(), list_->GetItemTextStd(row, 0));
    {
        const QSignalBlocker quiet(list_);
        list_->DeleteItem(row);
    }
    key_->clear();
    shownKey_.clear();
    // No binding shown: emptying the field writes nothing.
    command_->clear();
}
