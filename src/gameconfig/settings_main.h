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

    // ctx must outlive the page. The page gives the settings loader its steps (the game
    // location, the player name and the game library).
    explicit CSettingsMain(const PageContext& ctx, QWidget* parent = nullptr);

    // "Ok", and Enter in the location field: the typed game location, when the file is there.
    void OnLocationOk();
    bool LocationHasFocus() const;

    QLineEdit* location() const { return location_; }
    QLineEdit* otherArguments() const { return otherArguments_; }
    QLineEdit* playerName() const { return playerName_; }
    QComboBox* resolution() const { return resolution_; }
    QCheckBox* fullScreen() const { return fullScreen_; }
    QLineEdit* gameLibrary() const { return gameLibrary_; }
    QLineEdit* masterServer() const { return masterServer_; }
    QRadioButton* steam() const { return steam_; }
    QRadioButton* won() const { return won_; }

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
