#pragma once
#include <QWidget>

// The Server Browser tab: favourites and master-list servers with their players and rules.
// The main window creates it once, hidden, and only shows or hides it.
class CServerBrowserDlg : public QWidget {
    Q_OBJECT
public:
    explicit CServerBrowserDlg(QWidget* parent = nullptr) : QWidget(parent) { setObjectName("CServerBrowserDlg"); }
};
