#pragma once
#include <QDialog>

// The modeless settings window: game location, player, master server, screen mode, client
// options and key bindings. Owned by the main window, hidden until "Settings" is chosen.
class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSettingsDlg(QWidget* parent = nullptr) : QDialog(parent)
    {
        setObjectName("CSettingsDlg");
        setWindowTitle("Settings");
    }
};
