// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "settings/tool_options.h"

#include <QDialog>
#include <functional>
#include <string>

class CStaticLink;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

// "Options": the program's own options (Options.ini), never the game's or znktool.conf. Edits a
// copy; the caller takes options() when the user chose OK.
class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId {
        IdOk = 1,
        IdCancel = 2,
        IdDialect = 2001,
        IdQueriesAtOnce = 2002,
        IdLanTargets = 2003,
        IdHiddenServers = 2004,
        IdShowAgain = 2005,
        IdWatchFavorites = 2006,
        IdWatchMinutes = 2007,
        IdWebApiKey = 2011,
        IdShowKey = 2012,
        IdKeyPage = 2013,
        IdWebApiLimit = 2014,
        IdMoreMasters = 2015,
        IdNewMaster = 2016,
        IdAddMaster = 2017,
        IdRemoveMaster = 2018,
        IdQueryOnPing = 2019,
    };
    // Where a player asks for a key of their own.
    static constexpr const char* kKeyPageUrl = "https://steamcommunity.com/dev/apikey";
    // The dialect choice's lines, in the order of QueryDialect.
    static constexpr const char* kDialectTexts[] = {"Automatic", "Classic only", "A2S only"};

    // serverName: what a hidden server is called beside its address (its address when nothing
    // more is known); none: the addresses alone.
    explicit COptionsDlg(const ToolOptions& options, QWidget* parent = nullptr,
                         std::function<std::string(const std::string& address)> serverName = {});

    // What the controls show, read into the options the window was given.
    ToolOptions options() const;

private:
    void CreateWidgets();
    void ConnectWidgets();
    void LoadControls();
    // The typed master server goes into the list, once; a text that names none is left to mend.
    void OnAddMaster();

    ToolOptions options_;
    std::function<std::string(const std::string&)> serverName_;
    QComboBox* dialect_ = nullptr;
    QSpinBox* queriesAtOnce_ = nullptr;
    QLineEdit* lanTargets_ = nullptr;
    QListWidget* hidden_ = nullptr;
    QPushButton* showAgain_ = nullptr;
    QCheckBox* watchFavorites_ = nullptr;
    QSpinBox* watchMinutes_ = nullptr;
    QLineEdit* webApiKey_ = nullptr;
    QPushButton* showKey_ = nullptr;
    CStaticLink* keyPage_ = nullptr;
    QSpinBox* webApiLimit_ = nullptr;
    QListWidget* moreMasters_ = nullptr;
    QLineEdit* newMaster_ = nullptr;
    QPushButton* addMaster_ = nullptr;
    QPushButton* removeMaster_ = nullptr;
    QCheckBox* queryOnPing_ = nullptr;
};
