// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;

// The one-line question: a title, a prompt, one edit field, Ok and Cancel. Used for passwords,
// addresses, friends' names and bindings.
class CInputBox : public QDialog {
    Q_OBJECT
public:
    enum Result { IDOK = 1, IDCANCEL = 2 };
    // The answer's field; Ok and Cancel have the ids of their results.
    enum ControlId { IdEdit = 999 };

    // parent: the window the box belongs to (pages pass their window), centred over it.
    explicit CInputBox(QWidget* parent = nullptr);

    // Shows the box modally; returns IDOK or IDCANCEL. text holds the field's content afterwards
    // whichever way the box was closed; nothing is validated.
    virtual int DoModal(QString title, QString prompt, QString initialText);

    QString text;

    QLabel* promptLabel() const { return prompt_; }

private:
    void CreateWidgets();
    void ConnectWidgets();

    QLabel* prompt_ = nullptr;
    QLineEdit* edit_ = nullptr;
};
