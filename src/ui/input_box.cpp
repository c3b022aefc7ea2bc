// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/input_box.h"

#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/line_field.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CInputBox::CInputBox(QWidget* parent) : QDialog(parent)
{
    setObjectName("CInputBox");
    CreateWidgets();
    ConnectWidgets();
}

void CInputBox::CreateWidgets()
{
    setWindowTitle("Dialog");
    setFixedSize(DluX(186), DluY(65));

    prompt_ = Place(new QLabel("Static", this), 7, 7, 172, 16);
    prompt_->setObjectName("prompt");
    prompt_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    prompt_->setWordWrap(true);
    // Its answer becomes a binding, a friend, a password: one line, whatever is pasted.
    edit_ = OneLineField(Place(SetControlId(new QLineEdit(this), IdEdit), 7, 28, 172, 12));
    Place(MakeButton(this, IDOK, "Ok"), 55, 45, 36, 13)->setDefault(true);
    Place(MakeButton(this, IDCANCEL, "Cancel"), 94, 45, 36, 13);
}

void CInputBox::ConnectWidgets()
{
    connect(FindControl<QPushButton>(this, IDOK), &QPushButton::clicked, this, [this] { done(IDOK); });
    connect(FindControl<QPushButton>(this, IDCANCEL), &QPushButton::clicked, this, [this] { done(IDCANCEL); });
}

int CInputBox::DoModal(QString title, QString prompt, QString initialText)
{
    setWindowTitle(title);
    prompt_->setText(prompt);
    edit_->setText(initialText);
    edit_->setFocus();
    int result = exec();
    // Escape and the close box end with Rejected (0); the callers know Ok and Cancel only.
    if (result != IDOK)
        result = IDCANCEL;
    text = edit_->text();
    return result;
}
