#pragma once
#include <QWidget>

// The Search Player tab: finds players on the master list's servers; keeps the friends list.
// The main window creates it once, hidden, and only shows or hides it.
class CSearchPlayerDlg : public QWidget {
    Q_OBJECT
public:
    explicit CSearchPlayerDlg(QWidget* parent = nullptr) : QWidget(parent) { setObjectName("CSearchPlayerDlg"); }

    // Enter on the main window while this page is shown.
    void StartSearch() {}
};
