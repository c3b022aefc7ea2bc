#pragma once
#include <QWidget>

// The bot tab: the mod's bot configuration.
// The main window creates it once, hidden, and only shows or hides it.
class CBotEditorDlg : public QWidget {
    Q_OBJECT
public:
    explicit CBotEditorDlg(QWidget* parent = nullptr) : QWidget(parent) { setObjectName("CBotEditorDlg"); }
};
