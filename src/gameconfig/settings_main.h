// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "gameconfig/model/client_options.h"
#include "ui/page_context.h"

#include <QWidget>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The settings window's "Main Settings" page: where the game is, the extra launch arguments,
// the player name (config.cfg), the screen resolution and full-screen flag (the game's registry
// values), the mod's game library (liblist.gam) and the master server. Every change is written
// the moment it is made.
class CSettingsMain : public QWidget {
    Q_OBJECT
public:
    // The eight resolutions offered, as the list shows them.
    static const char* const kResolutions[8];
    static constexpr const char* kZnkLibrary = kZnkGameLibrary;
    static constexpr const char* kBotLibrary = kBotGameLibrary;
    static constexpr const char* kMetamodLibrary = kMetamodGameLibrary;
    // Controls; their objectName is "id" + the number.
    enum ControlId {
        IdLocation = 1026,
        IdBrowse = 1009,
        IdOk = 1008,
        IdOtherArguments = 1028,
        IdPlayerName = 1052,
        IdResolution = 1171,
        IdFullScreen = 1172,
        IdGameLibrary = 1162,
        IdZnkLibrary = 1159,
        IdBotLibrary = 1160,
        IdMetamodLibrary = 1161,
        IdMasterServer = 1029,
        IdResolveIp = 1011,
        IdSteam = 1155,
        IdWon = 1154,
        IdSteamDefault = 1012,
        IdWonDefault = 1010,
    };

    // ctx must outlive the page. The page gives the settings loader its steps (the game
    // location, the player name and the game library).
    explicit CSettingsMain(const PageContext& ctx, QWidget* parent = nullptr);

    // "Ok", and Enter in the location field: the typed game location, when the file is there.
    void OnLocationOk();
    bool LocationHasFocus() const;

    QLineEdit* gameLibrary() const { return gameLibrary_; }

private:
    void CreateWidgets();
    void ConnectWidgets();
    void LoadControls();
    void AddLoaderSteps();

    void OnBrowse();
    void OnOtherArgumentsChanged(const QString& text);
    void OnPlayerNameChanged();
    void OnResolutionChosen(int index);
    void OnFullScreenClicked(bool checked);
    void OnGameLibraryChanged();
    void SetGameLibrary(const char* path);
    void OnMasterServerChanged(const QString& text);
    void OnResolveIp();
    void ChooseMasterType(bool won);
    void OnDefaultMaster(bool won);

    const PageContext& ctx_;
    QLineEdit* location_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* ok_ = nullptr;
    QLineEdit* otherArguments_ = nullptr;
    QLineEdit* playerName_ = nullptr;
    QComboBox* resolution_ = nullptr;
    QCheckBox* fullScreen_ = nullptr;
    QLineEdit* gameLibrary_ = nullptr;
    QPushButton* znk_ = nullptr;
    QPushButton* bots_ = nullptr;
    QPushButton* metamod_ = nullptr;
    QLineEdit* masterServer_ = nullptr;
    QPushButton* resolveIp_ = nullptr;
    QRadioButton* steam_ = nullptr;
    QRadioButton* won_ = nullptr;
    QPushButton* steamDefault_ = nullptr;
    QPushButton* wonDefault_ = nullptr;
};
