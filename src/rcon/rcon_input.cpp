// SPDX-License-Identifier: GPL-3.0-or-later
#include "rcon/rcon_input.h"

#include "rcon/model/rcon_protocol.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

CRconInput::CRconInput(QWidget* parent) : QDialog(parent)
{
    setObjectName("CRconInput");
    setWindowTitle("RCON Control");
    // Over every other window, the consoles already open included, from the moment it exists.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    CreateWidgets();
    ConnectWidgets();
}

void CRconInput::CreateWidgets()
{
    setFixedSize(DluX(231), DluY(27));

    auto* label = new QLabel("Password", this);
    label->setGeometry(DluRect(7, 9, 32, 8));

    edit_ = new QLineEdit(this);
    SetControlId(edit_, IdPassword);
    edit_->setGeometry(DluRect(42, 7, 132, 12));

    connect_ = new QPushButton("Connect", this);
    SetControlId(connect_, IdConnect);
    connect_->setGeometry(DluRect(180, 6, 44, 14));
    connect_->setDefault(true);
    connect_->setEnabled(false);
}

void CRconInput::ConnectWidgets()
{
    connect(edit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { connect_->setEnabled(!text.isEmpty()); });
    connect(connect_, &QPushButton::clicked, this, [this] {
        if (!IsSendableRconPassword(edit_->text().toStdString())) {
            // Said here, where the password can still be mended, before anything goes out.
            QMessageBox box(QMessageBox::Warning, windowTitle(), kRefusedText, QMessageBox::Ok, this);
            box.setObjectName(kRefusedName);
            box.exec();
            edit_->setFocus();
            return;
        }
        password = edit_->text();
        accept();
    });
}

bool CRconInput::DoModal()
{
    edit_->setFocus();
    return exec() == QDialog::Accepted;
}
