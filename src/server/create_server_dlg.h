#pragma once
#include "server/model/map_cycle.h"
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
    // A game rule of game.cfg shown as a check box.
    struct Switch {
        int id;
        const char* label;
        const char* key; // with its double quotes, as game.cfg spells it
    };
    static const std::array<Switch, 8> kSwitches;
    // A server variable of listenserver.cfg and server.cfg, with its default.
    struct Variable {
        int editId;
        int defaultId;
        const char* key;
        const char* defaultValue;
    };
    static const std::array<Variable, 7> kVariables;

    // ctx must outlive the page. The page gives the settings loader its step (maps, map cycle,
    // game rules, server variables).
    explicit CCreateServerDlg(const PageContext& ctx, QWidget* parent = nullptr);

    // The maps and the map cycle, from the files.
    void ListMaps();
    void LoadMapCycle();

    // "Create Server": starts the server with the page's settings and the chosen map.
    void OnCreateServer();

    QListWidget* maps() const { return maps_; }
    QListWidget* mapCycle() const { return cycle_; }
    QComboBox* fallingDamage() const { return fallingDamage_; }
    QComboBox* gameMode() const { return gameMode_; }
    QLineEdit* edit(int id) const;
    QCheckBox* check(int id) const;

private:
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

    void WriteRule(const char* key, const std::string& value) const;
    void WriteVariable(const char* key, const std::string& value) const;

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
