// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "gameconfig/model/client_options.h"
#include "ui/page_context.h"

#include <QTimer>
#include <QWidget>
#include <string>

class CSortListCtrl;
class QLabel;
class QLineEdit;

// The settings window's "Binds Editor" page: the key bindings of config.cfg (lines `bind "key"
// "command"`), sortable by key or command; change a binding's command, add one, delete one.
// Every change is written to config.cfg at once.
class CSettingsBinds : public QWidget {
    Q_OBJECT
public:
    // Controls; their objectName is "id" + the number.
    enum ControlId { IdCommand = 1140, IdKey = 1141, IdAdd = 1142, IdDelete = 1143, IdList = 1145, IdRefresh = 1100 };

    // ctx must outlive the page. The page gives the settings loader its step (the bindings).
    explicit CSettingsBinds(const PageContext& ctx, QWidget* parent = nullptr);

    // The bindings of config.cfg, in the file's order.
    void LoadBinds();
    // The selected binding into the key label and the command field.
    void ShowSelectedBind();
    void AddBind();
    void DeleteBind();

    const QTimer& keyTimer() const { return keyTimer_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateWidgets();
    void ConnectWidgets();
    void AddLoaderStep();
    void ShowBinds(const std::vector<Binding>& binds);
    void UpdateSelectedBind();

    const PageContext& ctx_;
    CSortListCtrl* list_ = nullptr;
    QLabel* key_ = nullptr;
    // The key shown in key_, as config.cfg has it.
    std::string shownKey_;
    QLineEdit* command_ = nullptr;
    QTimer keyTimer_; // timer 1: the binding a key moved to
};
