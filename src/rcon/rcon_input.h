// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

// "RCON Control": asks for a server's remote-console password before a console opens. The
// password is shown in clear — the operator types it for a server, not for the screen. A
// password the console cannot send (one holding a double quote) is refused with a message, and
// the dialog stays open.
class CRconInput : public QDialog {
    Q_OBJECT
public:
    enum ControlId { IdConnect = 1, IdPassword = 999 };
    static constexpr const char* kRefusedName = "CRconPasswordRefused";
    static constexpr const char* kRefusedText =
        "This password holds a double quote (\"). The remote console sends the password between "
        "double quotes, so the server would take what follows it for the command and show the "
        "rest of the password in its log. A password with \" cannot be used here.";

    explicit CRconInput(QWidget* parent = nullptr);

    // Shows the dialog modally; true when it was closed with Connect, password then holding the
    // field's text. Escape and the close box cancel.
    bool DoModal();

    QString password;

private:
    void CreateWidgets();
    void ConnectWidgets();

    QLineEdit* edit_ = nullptr;
    QPushButton* connect_ = nullptr;
};
