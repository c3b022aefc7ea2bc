// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "bots/model/bot_config.h"
#include "gamefiles/settings_loader.h"
#include "ui/page_context.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class CBotHelpDlg;

// The three help windows the page's Help toggles show and hide; the main window owns them.
struct BotHelpWindows {
    CBotHelpDlg* teamClass = nullptr;
    CBotHelpDlg* misc = nullptr;
    CBotHelpDlg* chat = nullptr;
};

// The "ZNK Bots 3.0" tab: the mod's bot.cfg as an ordered list of lines, with buttons to move,
// remove and add bots, super bots, team fills, pauses and free commands; the bot plug-in's
// options of bot.cfg and game.cfg; whether the plug-in is installed, and a button that makes the
// mod load it. Every change is written the moment it is made. The main window creates the page
// once, hidden, and only shows or hides it.
class CBotEditorDlg : public QWidget {
    Q_OBJECT
public:
    // Controls; their objectName is "id" + the number.
    enum ControlId {
        // The options.
        IdSkill = 1033,
        IdNumberOfBots = 1089,
        IdMeleePercent = 1037,
        IdTeleportPercent = 1038,
        IdDontShoot = 1034,
        IdObserver = 1035,
        IdFollowMode = 1036,
        IdDoCombos = 1039,
        IdUseDiscs = 1041,
        IdAutoPilot = 1042,
        IdMiscHelp = 1063,
        // The chat frame, its switch and its percentages.
        IdChatFrame = 1175,
        IdBotChat = 1043,
        IdChatHelp = 1064,
        IdChatPercent = 1026,
        IdTauntPercent = 1027,
        IdWhinePercent = 1028,
        IdChatTagPercent = 1029,
        IdChatDropPercent = 1030,
        IdChatSwapPercent = 1031,
        IdChatLowerPercent = 1032,
        // bot.cfg's list and its buttons.
        IdListFrame = 1044,
        IdList = 1000,
        IdTop = 1008,
        IdUp = 1010,
        IdDown = 1011,
        IdBottom = 1085,
        IdRemove = 1013,
        IdClear = 1009,
        // Detection, activation and the team fills.
        IdDetectBots = 1046,
        IdStatus = 1047,
        IdActivateBots = 1040,
        IdFillFull = 1058,
        IdFillHalfGood = 1059,
        IdFillFullGood = 1060,
        IdFillHalfEvil = 1061,
        IdFillFullEvil = 1062,
        IdAddFill = 1053,
        // The pause and command lines.
        IdPause = 1056,
        IdAddPause = 1054,
        IdCommand = 1057,
        IdAddCommand = 1055,
        // The bot and the super bot.
        IdTeam = 1050,
        IdClass = 1051,
        IdName = 1052,
        IdBotSkill = 1066,
        IdClassHelp = 1065,
        IdAddBot = 1048,
        IdEditBot = 1049,
        IdSuperType = 1067,
        IdSuperClass = 1068,
        IdAddSuperBot = 1087,
        IdEditSuperBot = 1088,
    };

    // ctx must outlive the page, and so must the help windows. The page gives the settings loader
    // its step (the bot list).
    CBotEditorDlg(const PageContext& ctx, BotHelpWindows help, QWidget* parent = nullptr);

    // LoadBotConfig: reads the bot files of the settings' game now and fills the page.
    void LoadBotConfig();

    const BotConfig& config() const { return config_; }

Q_SIGNALS:
    // "Activate Bots" has pointed liblist.gam's gamedll at the bot plug-in: whatever shows the
    // game library follows.
    void gameLibraryActivated(const QString& library);

private:
    void CreateWidgets();
    void ConnectWidgets();
    void LoadControls();
    void AddLoaderStep();

    // What a load read, shown; the three game.cfg numbers written back to the files read.
    void ShowBotConfig(const BotConfigRead& read, const CvarFiles& files);
    void SetEditingEnabled(bool enabled);
    // The list box from the model, entry index selected (none for -1) without the selection's
    // handler running.
    void ShowLines(int select);
    int SelectedIndex() const;
    // After a move or an add: the entry selected, the file written.
    void Changed(int select, bool focusList);

    void OnMove(BotConfig::Move to);
    void OnRemove();
    void OnClear();
    void OnAddCommand();
    void OnAddPause();
    void OnAddFill();
    void OnAddBot();
    void OnAddSuperBot();
    void OnEditBot();
    void OnEditSuperBot();
    void OnSelectionChanged();
    // SetBotOption and RemoveBotOption, the list following.
    void SetOption(const std::string& key, const std::string& value);
    void RemoveOption(const std::string& key);
    void OnSwitchClicked(int index, bool checked);
    void OnChatChanged(int index, const QString& text);
    void OnNumberChanged(int index, const QString& text);
    void OnSkillChosen(int position);
    void OnDetectBots();
    void OnActivateBots();
    void OnHelpToggled(CBotHelpDlg* window);

    const PageContext& ctx_;
    BotHelpWindows help_;
    BotConfig config_;
    // The lines the list shows, as bytes: what ShowLines compares the config's lines with.
    std::vector<std::string> shown_;
    // The files of the game the page shows: its game.cfg is the one the numbers go to.
    CvarFiles files_;
    // Set while the chat fields are filled from the file: their change handlers write nothing.
    bool loading_ = false;

    QComboBox* skill_ = nullptr;
    std::array<QLineEdit*, kBotNumberCount> numbers_{};
    std::array<QCheckBox*, kBotSwitchCount> switches_{};
    std::array<QLineEdit*, kBotChatCount> chat_{};
    QGroupBox* chatFrame_ = nullptr;
    QPushButton* miscHelp_ = nullptr;
    QPushButton* chatHelp_ = nullptr;
    QPushButton* classHelp_ = nullptr;

    QGroupBox* listFrame_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* top_ = nullptr;
    QPushButton* up_ = nullptr;
    QPushButton* down_ = nullptr;
    QPushButton* bottom_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* clear_ = nullptr;

    QPushButton* detect_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* activate_ = nullptr;

    QLineEdit* team_ = nullptr;
    QLineEdit* class_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* botSkill_ = nullptr;
    QPushButton* addBot_ = nullptr;
    QPushButton* editBot_ = nullptr;
    QLineEdit* superType_ = nullptr;
    QLineEdit* superClass_ = nullptr;
    QPushButton* addSuperBot_ = nullptr;
    QPushButton* editSuperBot_ = nullptr;
    std::array<QRadioButton*, kBotFillCount> fills_{};
    QPushButton* addFill_ = nullptr;
    QLineEdit* pause_ = nullptr;
    QPushButton* addPause_ = nullptr;
    QLineEdit* command_ = nullptr;
    QPushButton* addCommand_ = nullptr;
};
