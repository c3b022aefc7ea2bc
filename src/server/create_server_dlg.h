#pragma once
#include <QWidget>

// The Create Server tab: game rules, server variables, map cycle, listen or dedicated server.
// The main window creates it once, hidden, and only shows or hides it.
class CCreateServerDlg : public QWidget {
    Q_OBJECT
public:
    explicit CCreateServerDlg(QWidget* parent = nullptr) : QWidget(parent) { setObjectName("CCreateServerDlg"); }
};
