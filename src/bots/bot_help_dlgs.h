// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

// A small always-on-top window that explains what the bot page writes: a fixed text over "OK".
// The main window keeps one of each for the whole run; the bot page's Help toggles show and
// hide them, and a window closed by itself (OK, the close box, Escape) says so, so that its
// toggle is released.
class CBotHelpDlg : public QDialog {
    Q_OBJECT
public:
    // Controls; their objectName is "id" + the number. Each window's text has an id of its own.
    enum ControlId { IdOk = 1, IdChatText = 1010, IdMiscText = 1011, IdClassText = 1012 };

    // The text exactly as the window shows it (CR LF line ends, tabs before continuation lines).
    const char* text() const { return text_; }

    // Shows the window with its text filled in afresh.
    void Open();

    void done(int result) override;

Q_SIGNALS:
    // Closed by OK, the close box or Escape.
    void closedByUser();

protected:
    // Size in dialog units.
    CBotHelpDlg(const char* className, const QString& title, int textId, const char* text, int widthDlu, int heightDlu,
                QWidget* parent);

private:
    void CreateWidgets();
    void ConnectWidgets();
    void LoadControls();

    const char* text_;
    int textId_;
    int widthDlu_;
    int heightDlu_;
    QPlainTextEdit* field_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// "Bot Help : Teamclass": the addbot and addsbot commands and their arguments.
class CBotClassDlg : public CBotHelpDlg {
    Q_OBJECT
public:
    static const char* const kText;
    explicit CBotClassDlg(QWidget* parent = nullptr);
};

// "Bot Help : Misc": the plug-in's switches and numbers.
class CBotMiscDlg : public CBotHelpDlg {
    Q_OBJECT
public:
    static const char* const kText;
    explicit CBotMiscDlg(QWidget* parent = nullptr);
};

// "Bot Help : Chat": the chat percentages.
class CBotChatDlg : public CBotHelpDlg {
    Q_OBJECT
public:
    static const char* const kText;
    explicit CBotChatDlg(QWidget* parent = nullptr);
};
