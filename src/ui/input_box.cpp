#include "ui/input_box.h"

#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/line_field.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CInputBox::CInputBox(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("CInputBox");
    setWindowTitle("Dialog");
    setFixedSize(DluX(186), DluY(65));

    prompt_ = new QLabel("Static", this);
    prompt_->setObjectName("prompt");
    prompt_->setGeometry(DluRect(7, 7, 172, 16));
    prompt_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    prompt_->setWordWrap(true);

    edit_ = new QLineEdit(this);
    SetControlId(edit_, 999);
    edit_->setGeometry(DluRect(7, 28, 172, 12));
    // Its answer becomes a binding, a friend, a password: one line, whatever is pasted.
    OneLineField(edit_);

    auto* ok = new QPushButton("Ok", this);
    SetControlId(ok, 1);
    ok->setGeometry(DluRect(55, 45, 36, 13));
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    SetControlId(cancel, 2);
    cancel->setGeometry(DluRect(94, 45, 36, 13));

    connect(ok, &QPushButton::clicked, this, [this] { done(IDOK); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(IDCANCEL); });
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
