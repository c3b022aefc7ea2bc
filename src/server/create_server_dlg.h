// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "server/model/map_cycle.h"
#include "server/model/server_options.h"
#include "ui/page_context.h"

#include <QWidget>
#include <array>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;

// The Create Server tab: the server's name, port, players, dedicated or listen, LAN or Internet
// (kept in the settings), the mod's game rules (game.cfg), seven server variables (written to
// listenserver.cfg and server.cfg alike), the installed maps and the map cycle (mapcycle.txt),
// and the button that starts the server. Every change is on disk at once. The main window
// creates it once, hidden, and only shows or hides it.
class CCreateServerDlg : public QWidget {
    Q_OBJECT
public:
    // Controls; their objectName is "id" + the number.
    enum ControlId {
        // The maps and the map cycle.
        IdMaps = 1077,
        IdMapCycle = 1078,
        IdRefreshMaps = 1079,
        IdRefreshCycle = 1080,
        IdRandomize = 1081,
        IdAddMap = 1082,
        IdAddAllMaps = 1083,
        IdRemove = 1013,
        IdClear = 1009,
        IdSort = 1086,
        IdTop = 1008,
        IdUp = 1010,
        IdDown = 1011,
        IdBottom = 1085,
        // The server.
        IdServerName = 1026,
        IdDedicated = 1068,
        IdLan = 1069,
        IdInternet = 1070,
        IdCreateServer = 1071,
        IdPassword = 1072,
        IdMaxPlayers = 1073,
        IdPort = 1076,
        // The game rules.
        IdWishLimit = 1065,
        IdFragLimit = 1066,
        IdTimeLimit = 1067,
        IdFallingDamage = 1074,
        IdGameMode = 1075,
        // The server variables and their "Default" buttons.
        IdMelee = 1096,
        IdDbRespawnTime = 1090,
        IdLayDownTime = 1091,
        IdNoMeleeHitTime = 1092,
        IdAllowSensuBeans = 1093,
        IdGravity = 1094,
        IdAccelerate = 1095,
        IdMeleeDefault = 1038,
        IdDbRespawnTimeDefault = 1032,
        IdLayDownTimeDefault = 1033,
        IdNoMeleeHitTimeDefault = 1034,
        IdAllowSensuBeansDefault = 1035,
        IdGravityDefault = 1036,
        IdAccelerateDefault = 1037,
        // The switches of game.cfg.
        IdGainPlAfterDying = 1097,
        IdMultiPsInFfa = 1098,
        IdRealisticTeams = 1099,
        IdFootsteps = 1100,
        IdFriendlyFire = 1101,
        IdForceRespawn = 1102,
        IdLockModels = 1103,
        IdLowPingPhysics = 1104,
    };

    // The check boxes of game.cfg's switches, in the order of kServerSwitchKeys.
    struct Switch {
        int id;
        const char* label;
    };
    static const std::array<Switch, kServerSwitchCount> kSwitches;
    // The fields of the server variables and their "Default" buttons, in the order of
    // kServerVariables.
    struct Variable {
        int editId;
        int defaultId;
    };
    static const std::array<Variable, kServerVariableCount> kVariables;

    // ctx must outlive the page. The page gives the settings loader its step (maps, map cycle,
    // game rules, server variables).
    explicit CCreateServerDlg(const PageContext& ctx, QWidget* parent = nullptr);

    // The maps and the map cycle, from the files.
    void ListMaps();
    void LoadMapCycle();

    // "Create Server": starts the server with the page's settings and the chosen map.
    void OnCreateServer();

private:
    QLineEdit* edit(int id) const;
    QCheckBox* check(int id) const;
    void CreateWidgets();
    void ConnectWidgets();
    void LoadControls();
    void AddLoaderStep();

    std::string ModFile(const char* name) const;
    std::string MapCyclePath() const;
    void ShowMaps(const std::vector<std::string>& maps);
    static QListWidgetItem* EntryItem(const std::string& bytes);
    static std::string EntryBytes(const QListWidgetItem* item);
    std::vector<std::string> CycleEntries() const;
    void AppendToCycle(const std::vector<std::string>& names);
    void Saved(const std::string& path, bool saved) const;
    // Shows entries in the map cycle list, selecting one (-1: none).
    void ShowCycle(const std::vector<std::string>& entries, int selected);
    void SaveCycle();

    void OnAddMap();
    void OnAddAllMaps();
    void OnRemoveEntry();
    void OnClearCycle();
    void OnMove(MapMove move);
    void OnSort();
    void OnRandomize();

    const PageContext& ctx_;
    QListWidget* maps_ = nullptr;
    QListWidget* cycle_ = nullptr;
    QComboBox* fallingDamage_ = nullptr;
    QComboBox* gameMode_ = nullptr;
    QLineEdit* serverName_ = nullptr;
    QLineEdit* port_ = nullptr;
    QLineEdit* maxPlayers_ = nullptr;
    QLineEdit* password_ = nullptr;
    QCheckBox* dedicated_ = nullptr;
    QRadioButton* lan_ = nullptr;
    QRadioButton* internet_ = nullptr;
    QLineEdit* wishLimit_ = nullptr;
    QLineEdit* fragLimit_ = nullptr;
    QLineEdit* timeLimit_ = nullptr;
    QPushButton* createServer_ = nullptr;
};
