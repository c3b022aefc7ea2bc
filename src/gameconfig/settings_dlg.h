// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ui/page_context.h"

#include <QDialog>

class QTabBar;
class CSettingsBinds;
class CSettingsMain;
class CSettingsMisc;

// The modeless settings window: "Main Settings", "Misc." and "Binds Editor" pages under a tab
// strip. Owned by the main window and hidden until "Settings" is chosen; closing it only hides
// it. Every page writes each change at once: there is no Apply and no Cancel.
class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    enum PageIndex { MainPage = 0, MiscPage, BindsPage, PageCount };
    // Controls; their objectName is "id" + the number.
    enum ControlId { IdTabs = 1029 };

    // ctx must outlive the window.
    explicit CSettingsDlg(const PageContext& ctx, QWidget* parent = nullptr);

    // Edit > Settings: hides the window when it is shown, shows it (with its current page)
    // otherwise.
    void ToggleSettings();
    void ShowPage(int index);

    CSettingsMain* mainPage() const { return main_; }
    CSettingsMisc* miscPage() const { return misc_; }
    CSettingsBinds* bindsPage() const { return binds_; }
    QWidget* page(int index) const { return index >= 0 && index < PageCount ? pages_[index] : nullptr; }
    QWidget* currentPage() const { return current_; }

Q_SIGNALS:
    // The window was shown (true) or hidden (false): the Settings menu item's check follows it.
    void shownChanged(bool shown);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void reject() override;

private:
    void CreateWidgets();
    void ConnectWidgets();
    const PageContext& ctx_;
    QTabBar* tabs_ = nullptr;
    CSettingsMain* main_ = nullptr;
    CSettingsMisc* misc_ = nullptr;
    CSettingsBinds* binds_ = nullptr;
    QWidget* pages_[PageCount] = {};
    QWidget* current_ = nullptr;
};
