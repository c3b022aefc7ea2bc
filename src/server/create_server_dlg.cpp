// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/create_server_dlg.h"

#include "core/lcg.h"
#include "core/numbers.h"
#include "core/path.h"
#include "gamefiles/model/cvar_file.h"
#include "gamefiles/settings_loader.h"
#include "launch/game_launcher.h"
#include "server/model/server_command.h"
#include "settings/app_settings.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/display_text.h"
#include "ui/line_field.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

const std::array<CCreateServerDlg::Switch, kServerSwitchCount> CCreateServerDlg::kSwitches = {{
    {IdGainPlAfterDying, "Gain PL after dying"},
    {IdMultiPsInFfa, "Allow MultiPS in FFA"},
    {IdRealisticTeams, "Realistic Good/Evil teams"},
    {IdFootsteps, "Footsteps"},
    {IdFriendlyFire, "Friendly Fire"},
    {IdForceRespawn, "Force Respawn"},
    {IdLockModels, "Lock Models"},
    {IdLowPingPhysics, "Low Ping Server Physics"},
}};

const std::array<CCreateServerDlg::Variable, kServerVariableCount> CCreateServerDlg::kVariables = {{
    {IdMelee, IdMeleeDefault},
    {IdDbRespawnTime, IdDbRespawnTimeDefault},
    {IdLayDownTime, IdLayDownTimeDefault},
    {IdNoMeleeHitTime, IdNoMeleeHitTimeDefault},
    {IdAllowSensuBeans, IdAllowSensuBeansDefault},
    {IdGravity, IdGravityDefault},
    {IdAccelerate, IdAccelerateDefault},
}};

namespace {

const char* const kMapCycle = "mapcycle.txt";
const char* const kNoMaps = "The mod has no maps to start a server on: its maps folder holds no .bsp file.";

QLineEdit* MakeEdit(QWidget* parent, int id, int x, int y, int w)
{
    return Place(SetControlId(new QLineEdit(parent), id), x, y, w, 12);
}

} // namespace

CCreateServerDlg::CCreateServerDlg(const PageContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName("CCreateServerDlg");
    CreateWidgets();
    ConnectWidgets();
    LoadControls();
    AddLoaderStep();
}

QLineEdit* CCreateServerDlg::edit(int id) const
{
    return FindControl<QLineEdit>(this, id);
}
QCheckBox* CCreateServerDlg::check(int id) const
{
    return FindControl<QCheckBox>(this, id);
}

void CCreateServerDlg::CreateWidgets()
{
    resize(DluX(424), DluY(232));

    // ---- left: the maps and the map cycle ----
    MakeGroup(this, "Maps", 4, 2, 72, 228);
    maps_ = Place(SetControlId(new QListWidget(this), IdMaps), 9, 13, 62, 162);
    Place(MakeButton(this, IdRefreshMaps, "Refresh"), 9, 180, 62, 14);
    Place(MakeButton(this, IdAddMap, "Add"), 9, 196, 62, 14);
    Place(MakeButton(this, IdAddAllMaps, "Add All"), 9, 212, 62, 14);

    MakeGroup(this, "MapCycle", 80, 2, 84, 228);
    cycle_ = Place(SetControlId(new QListWidget(this), IdMapCycle), 85, 13, 74, 130);
    const std::array<std::pair<int, const char*>, 9> cycleButtons = {{{IdRefreshCycle, "Refresh"},
                                                                      {IdRemove, "Remove"},
                                                                      {IdClear, "Clear"},
                                                                      {IdSort, "Sort"},
                                                                      {IdTop, "Top"},
                                                                      {IdUp, "Up"},
                                                                      {IdDown, "Down"},
                                                                      {IdBottom, "Bottom"},
                                                                      {IdRandomize, "Randomize"}}};
    for (size_t i = 0; i < cycleButtons.size(); ++i) {
        const int col = static_cast<int>(i % 2);
        const int row = static_cast<int>(i / 2);
        const bool last = i + 1 == cycleButtons.size();
        Place(MakeButton(this, cycleButtons[i].first, cycleButtons[i].second), 85 + col * 38, 148 + row * 16,
              last ? 74 : 36, 14);
    }

    // ---- right, top: the server ----
    constexpr int kRightX = 168;
    constexpr int kRightW = 424 - 4 - kRightX;
    MakeGroup(this, "Server", kRightX, 2, kRightW, 58);
    MakeLabel(this, "Server Name", kRightX + 6, 13, 50);
    serverName_ = MakeEdit(this, IdServerName, kRightX + 58, 12, 100);
    dedicated_ = Place(SetControlId(new QCheckBox("Dedicated Server", this), IdDedicated), kRightX + 164, 13, 76, 11);
    MakeLabel(this, "Port", kRightX + 6, 29, 20);
    port_ = MakeEdit(this, IdPort, kRightX + 28, 28, 28);
    MakeLabel(this, "Max Players", kRightX + 62, 29, 44);
    maxPlayers_ = MakeEdit(this, IdMaxPlayers, kRightX + 108, 28, 20);
    lan_ = Place(SetControlId(new QRadioButton("LAN", this), IdLan), kRightX + 140, 29, 30, 11);
    internet_ = Place(SetControlId(new QRadioButton("Internet", this), IdInternet), kRightX + 176, 29, 50, 11);
    auto* network = new QButtonGroup(this);
    network->addButton(lan_);
    network->addButton(internet_);
    MakeLabel(this, "Password", kRightX + 6, 45, 40);
    password_ = MakeEdit(this, IdPassword, kRightX + 58, 44, 112);
    const auto digitsOnly = new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this);
    port_->setValidator(digitsOnly);
    maxPlayers_->setValidator(digitsOnly);

    // ---- right, middle: the game rules and the server variables ----
    constexpr int kMiddleY = 62;
    constexpr int kRulesW = 112;
    MakeGroup(this, "Game Rules", kRightX, kMiddleY, kRulesW, 92);
    const std::array<std::pair<const char*, QLineEdit**>, 3> limits = {
        {{"Wish Limit", &wishLimit_}, {"Frag Limit", &fragLimit_}, {"Time Limit", &timeLimit_}}};
    const std::array<int, 3> limitIds = {IdWishLimit, IdFragLimit, IdTimeLimit};
    for (size_t i = 0; i < limits.size(); ++i) {
        const int y = kMiddleY + 11 + static_cast<int>(i) * 13;
        MakeLabel(this, limits[i].first, kRightX + 6, y + 1, 50);
        *limits[i].second = MakeEdit(this, limitIds[i], kRightX + 58, y, 48);
    }
    MakeLabel(this, "Falling Damage", kRightX + 6, kMiddleY + 51, 52);
    fallingDamage_ = Place(SetControlId(new QComboBox(this), IdFallingDamage), kRightX + 58, kMiddleY + 50, 48, 13);
    fallingDamage_->addItems({"Normal", "Realistic"});
    // The longest mode needs the group's whole width: its label goes above it.
    MakeLabel(this, "Game Mode", kRightX + 6, kMiddleY + 65, 52);
    gameMode_ = Place(SetControlId(new QComboBox(this), IdGameMode), kRightX + 6, kMiddleY + 75, kRulesW - 12, 13);
    gameMode_->addItems({"Free Fighting", "Team Mode", "Capture the Starstones"});

    constexpr int kVarsX = kRightX + kRulesW + 4;
    constexpr int kVarsW = kRightW - kRulesW - 4;
    MakeGroup(this, "Server Variables", kVarsX, kMiddleY, kVarsW, 92);
    for (size_t i = 0; i < kVariables.size(); ++i) {
        const int y = kMiddleY + 11 + static_cast<int>(i) * 11;
        MakeLabel(this, kServerVariables[i].key, kVarsX + 5, y + 1, 72);
        Place(SetControlId(new QLineEdit(this), kVariables[i].editId), kVarsX + 78, y, 20, 10);
        Place(MakeButton(this, kVariables[i].defaultId, "Default"), kVarsX + 100, y, 31, 10);
    }

    // ---- right, bottom: the switches and the button ----
    constexpr int kSwitchesY = kMiddleY + 94;
    MakeGroup(this, "Switches", kRightX, kSwitchesY, kRightW, 54);
    for (size_t i = 0; i < kSwitches.size(); ++i) {
        const int col = static_cast<int>(i % 2);
        const int row = static_cast<int>(i / 2);
        Place(SetControlId(new QCheckBox(kSwitches[i].label, this), kSwitches[i].id), kRightX + 6 + col * 120,
              kSwitchesY + 11 + row * 10, 116, 10);
    }
    createServer_ = Place(MakeButton(this, IdCreateServer, "Create Server"), kRightX, 212, kRightW, 18);
    // A long map cycle lays out fast: every entry is one line of text.
    maps_->setUniformItemSizes(true);
    cycle_->setUniformItemSizes(true);
    OneLineFields(this);
}

void CCreateServerDlg::ConnectWidgets()
{
    // The server's own settings.
    connect(serverName_, &QLineEdit::textChanged, this,
            [this](const QString& text) { ctx_.settings.serverName = text.toStdString(); });
    connect(port_, &QLineEdit::textChanged, this,
            [this](const QString& text) { ctx_.settings.port = ReadNumber(text.toStdString()); });
    connect(maxPlayers_, &QLineEdit::textChanged, this,
            [this](const QString& text) { ctx_.settings.maxPlayers = ReadNumber(text.toStdString()); });
    connect(dedicated_, &QCheckBox::clicked, this, [this](bool checked) { ctx_.settings.dedicated = checked; });
    connect(lan_, &QRadioButton::clicked, this, [this] { ctx_.settings.lan = true; });
    connect(internet_, &QRadioButton::clicked, this, [this] { ctx_.settings.lan = false; });

    // The game rules: edits on every change, the lists on a confirmed choice, the boxes on a click.
    for (const auto& [edit, rule] :
         {std::pair{wishLimit_, GameRule::WishLimit}, std::pair{fragLimit_, GameRule::FragLimit},
          std::pair{timeLimit_, GameRule::TimeLimit}})
        connect(edit, &QLineEdit::textChanged, this,
                [this, rule = rule, edit = edit] { WriteGameRule(ctx_.GameFiles(), rule, FieldBytes(edit)); });
    connect(fallingDamage_, &QComboBox::activated, this,
            [this](int index) { WriteGameRule(ctx_.GameFiles(), GameRule::FallingDamage, index); });
    connect(gameMode_, &QComboBox::activated, this,
            [this](int index) { WriteGameRule(ctx_.GameFiles(), GameRule::GameMode, index); });
    for (int i = 0; i < kServerSwitchCount; ++i)
        connect(check(kSwitches[i].id), &QCheckBox::clicked, this,
                [this, i](bool checked) { WriteServerSwitch(ctx_.GameFiles(), i, checked); });

    // The server variables: both files, the listen server's first.
    for (int i = 0; i < kServerVariableCount; ++i) {
        QLineEdit* field = edit(kVariables[i].editId);
        connect(field, &QLineEdit::textChanged, this,
                [this, i, field] { WriteServerVariable(ctx_.GameFiles(), i, FieldBytes(field)); });
        connect(FindControl<QPushButton>(this, kVariables[i].defaultId), &QPushButton::clicked, this, [this, field, i] {
            // The field's handler writes it too: the default goes to each file twice.
            field->setText(kServerVariables[i].defaultValue);
            WriteServerVariable(ctx_.GameFiles(), i, kServerVariables[i].defaultValue);
        });
    }

    // The maps and the map cycle.
    connect(FindControl<QPushButton>(this, IdRefreshMaps), &QPushButton::clicked, this, &CCreateServerDlg::ListMaps);
    connect(FindControl<QPushButton>(this, IdRefreshCycle), &QPushButton::clicked, this,
            &CCreateServerDlg::LoadMapCycle);
    connect(FindControl<QPushButton>(this, IdAddMap), &QPushButton::clicked, this, &CCreateServerDlg::OnAddMap);
    connect(maps_, &QListWidget::itemDoubleClicked, this, &CCreateServerDlg::OnAddMap);
    connect(FindControl<QPushButton>(this, IdAddAllMaps), &QPushButton::clicked, this, &CCreateServerDlg::OnAddAllMaps);
    connect(FindControl<QPushButton>(this, IdRemove), &QPushButton::clicked, this, &CCreateServerDlg::OnRemoveEntry);
    connect(FindControl<QPushButton>(this, IdClear), &QPushButton::clicked, this, &CCreateServerDlg::OnClearCycle);
    connect(FindControl<QPushButton>(this, IdTop), &QPushButton::clicked, this, [this] { OnMove(MapMove::Top); });
    connect(FindControl<QPushButton>(this, IdUp), &QPushButton::clicked, this, [this] { OnMove(MapMove::Up); });
    connect(FindControl<QPushButton>(this, IdDown), &QPushButton::clicked, this, [this] { OnMove(MapMove::Down); });
    connect(FindControl<QPushButton>(this, IdBottom), &QPushButton::clicked, this, [this] { OnMove(MapMove::Bottom); });
    connect(FindControl<QPushButton>(this, IdSort), &QPushButton::clicked, this, &CCreateServerDlg::OnSort);
    connect(FindControl<QPushButton>(this, IdRandomize), &QPushButton::clicked, this, &CCreateServerDlg::OnRandomize);

    connect(createServer_, &QPushButton::clicked, this, &CCreateServerDlg::OnCreateServer);
}

void CCreateServerDlg::LoadControls()
{
    const AppSettings& s = ctx_.settings;
    const QSignalBlocker quietName(serverName_);
    const QSignalBlocker quietPort(port_);
    const QSignalBlocker quietPlayers(maxPlayers_);
    serverName_->setText(QString::fromStdString(s.serverName));
    dedicated_->setChecked(s.dedicated);
    (s.lan ? lan_ : internet_)->setChecked(true);
    port_->setText(QString::number(s.port));
    maxPlayers_->setText(QString::number(s.maxPlayers));
    // Until the loader has read game.cfg: nothing chosen.
    fallingDamage_->setCurrentIndex(-1);
    gameMode_->setCurrentIndex(-1);
}

void CCreateServerDlg::AddLoaderStep()
{
    ctx_.loader.AddStep(CSettingsLoader::CreateServer, this, [this](LoaderInput& in) -> LoaderApply {
        std::vector<std::string> maps = ::ListMaps(JoinPath(in.files.modFolder(), "maps"));
        std::vector<std::string> cycle = ::LoadMapCycle(in.files.Path(kMapCycle));
        CreateServerValues v = ReadCreateServerValues(in.files);
        return [this, maps = std::move(maps), cycle = std::move(cycle), v = std::move(v), files = in.files.Writer()] {
            ShowMaps(maps);
            ShowCycle(cycle, -1);
            for (const auto& [field, value] : {std::pair{wishLimit_, &v.wishLimit}, std::pair{fragLimit_, &v.fragLimit},
                                               std::pair{timeLimit_, &v.timeLimit}}) {
                const QSignalBlocker quiet(field);
                SetFieldBytes(field, *value);
            }
            fallingDamage_->setCurrentIndex(v.fallingDamage);
            gameMode_->setCurrentIndex(v.gameMode);
            for (int i = 0; i < kServerSwitchCount; ++i)
                check(kSwitches[i].id)->setChecked(v.switches[i]);
            for (int i = 0; i < kServerVariableCount; ++i) {
                QLineEdit* field = edit(kVariables[i].editId);
                const QSignalBlocker quiet(field);
                SetFieldBytes(field, v.variables[i]);
            }
            // Filled edits write their values back, as typing would: the limits to game.cfg, the
            // variables to both server files — to the files this run read. The lists and the
            // boxes are only shown.
            WriteCreateServerFill(files, v);
        };
    });
}

// ---- files ---------------------------------------------------------------------------------

std::string CCreateServerDlg::ModFile(const char* name) const
{
    return CvarFiles::ForSettings(ctx_.settings).Path(name);
}

std::string CCreateServerDlg::MapCyclePath() const
{
    return ModFile(kMapCycle);
}

// ---- maps and map cycle ----------------------------------------------------------------------

void CCreateServerDlg::ListMaps()
{
    ShowMaps(::ListMaps(JoinPath(CvarFiles::ForSettings(ctx_.settings).modFolder(), "maps")));
}

void CCreateServerDlg::ShowMaps(const std::vector<std::string>& maps)
{
    const QSignalBlocker quiet(maps_);
    maps_->clear();
    for (const std::string& map : maps)
        maps_->addItem(EntryItem(map));
    maps_->setCurrentRow(maps_->count() > 0 ? 0 : -1);
}

QListWidgetItem* CCreateServerDlg::EntryItem(const std::string& bytes)
{
    // Shown as the user reads it, kept as the file (or the folder) has it: an 8-bit map name goes
    // into the cycle and onto the server's command line as the same bytes.
    auto* item = new QListWidgetItem(DisplayText(bytes));
    item->setData(Qt::UserRole, QByteArray::fromStdString(bytes));
    return item;
}

std::string CCreateServerDlg::EntryBytes(const QListWidgetItem* item)
{
    return item->data(Qt::UserRole).toByteArray().toStdString();
}

void CCreateServerDlg::LoadMapCycle()
{
    ShowCycle(::LoadMapCycle(MapCyclePath()), -1);
}

std::vector<std::string> CCreateServerDlg::CycleEntries() const
{
    std::vector<std::string> entries;
    entries.reserve(static_cast<size_t>(cycle_->count()));
    for (int i = 0; i < cycle_->count(); ++i)
        entries.push_back(EntryBytes(cycle_->item(i)));
    return entries;
}

void CCreateServerDlg::ShowCycle(const std::vector<std::string>& entries, int selected)
{
    const QSignalBlocker quiet(cycle_);
    cycle_->clear();
    for (const std::string& entry : entries)
        cycle_->addItem(EntryItem(entry));
    cycle_->setCurrentRow(selected);
}

void CCreateServerDlg::SaveCycle()
{
    Saved(MapCyclePath(), SaveMapCycle(MapCyclePath(), CycleEntries()));
}

void CCreateServerDlg::Saved(const std::string& path, bool saved) const
{
    ctx_.Saved(path, saved);
}

void CCreateServerDlg::AppendToCycle(const std::vector<std::string>& names)
{
    // The list grows by the new entries only, and the file by one write whatever their number.
    {
        const QSignalBlocker quiet(cycle_);
        for (const std::string& name : names)
            cycle_->addItem(EntryItem(name));
    }
    Saved(MapCyclePath(), AppendToMapCycle(MapCyclePath(), names));
}

void CCreateServerDlg::OnAddMap()
{
    QListWidgetItem* map = maps_->currentItem();
    if (!map || !map->isSelected())
        return;
    AppendToCycle({EntryBytes(map)});
}

void CCreateServerDlg::OnAddAllMaps()
{
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(maps_->count()));
    for (int i = 0; i < maps_->count(); ++i)
        names.push_back(EntryBytes(maps_->item(i)));
    if (!names.empty())
        AppendToCycle(names);
}

void CCreateServerDlg::OnRemoveEntry()
{
    const int row = cycle_->currentRow();
    if (row < 0 || !cycle_->item(row)->isSelected())
        return;
    {
        const QSignalBlocker quiet(cycle_);
        delete cycle_->takeItem(row);
        cycle_->setCurrentRow(-1);
    }
    SaveCycle();
}

void CCreateServerDlg::OnClearCycle()
{
    Saved(MapCyclePath(), ClearMapCycle(MapCyclePath()));
    ShowCycle({}, -1);
}

void CCreateServerDlg::OnMove(MapMove move)
{
    const int row = cycle_->currentRow();
    if (row < 0 || !cycle_->item(row)->isSelected())
        return;
    std::vector<std::string> entries = CycleEntries();
    const int moved = MoveMapCycleEntry(entries, row, move);
    if (moved < 0)
        return;
    {
        // Only the moved entry changes places in the list: a long cycle, or a long entry, costs
        // nothing more than a short one.
        const QSignalBlocker quiet(cycle_);
        cycle_->insertItem(moved, cycle_->takeItem(row));
        // The moved entry is found again by its text from the place just before it.
        cycle_->setCurrentRow(FindEntryStartingWith(entries, entries[static_cast<size_t>(moved)], moved - 1));
    }
    cycle_->setFocus();
    Saved(MapCyclePath(), SaveMapCycle(MapCyclePath(), entries));
}

void CCreateServerDlg::OnSort()
{
    std::vector<std::string> entries = CycleEntries();
    SortMapCycle(entries);
    ShowCycle(entries, -1);
    Saved(MapCyclePath(), SaveMapCycle(MapCyclePath(), entries));
}

void CCreateServerDlg::OnRandomize()
{
    std::vector<std::string> entries = CycleEntries();
    RandomizeMapCycle(entries, ProgramRandom());
    ShowCycle(entries, -1);
    Saved(MapCyclePath(), SaveMapCycle(MapCyclePath(), entries));
}

// ---- the server ------------------------------------------------------------------------------

void CCreateServerDlg::OnCreateServer()
{
    if (maps_->count() == 0) {
        // No map, no server: the game would start to an error of its own.
        if (ctx_.message)
            ctx_.message("Create Server", kNoMaps);
        return;
    }
    QListWidgetItem* chosen = maps_->currentItem();
    if (!chosen || !chosen->isSelected())
        chosen = maps_->item(0);
    const LaunchCommand command =
        BuildServerArguments(ctx_.settings, EntryBytes(chosen), password_->text().toStdString());
    LaunchWithParameters(ctx_.settings, command);
}
