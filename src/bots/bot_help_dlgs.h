#pragma once
#include <QDialog>

// The bot tab's three help windows (chat, classes, misc), owned by the main window.
class CBotChatDlg : public QDialog {
    Q_OBJECT
public:
    explicit CBotChatDlg(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("CBotChatDlg"); }
};

class CBotClassDlg : public QDialog {
    Q_OBJECT
public:
    explicit CBotClassDlg(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("CBotClassDlg"); }
};

class CBotMiscDlg : public QDialog {
    Q_OBJECT
public:
    explicit CBotMiscDlg(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("CBotMiscDlg"); }
};
