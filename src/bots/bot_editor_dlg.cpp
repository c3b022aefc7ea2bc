// SPDX-License-Identifier: GPL-3.0-or-later
#include "bots/bot_editor_dlg.h"

#include "bots/bot_help_dlgs.h"
#include "core/path.h"
#include "gameconfig/model/client_options.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/display_text.h"
#include "ui/line_field.h"

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

namespace {

const char* const kSkillNames[kBotSkillCount] = {"Best", "Good", "Medium", "Weak", "Bad"};

// The controls of the option tables, in the order of kBotSwitches, kBotChatOptions, kBotNumbers.
struct SwitchControl {
    int id;
    const char* text;
};
constexpr SwitchControl kSwitchControls[kBotSwitchCount] = {
    {CBotEditorDlg::IdDontShoot, "Bots don't shoot"},
    {CBotEditorDlg::IdObserver, "Observer"},
    {CBotEditorDlg::IdFollowMode, "Follow Mode"},
    {CBotEditorDlg::IdDoCombos, "Bots do Combos"},
    {CBotEditorDlg::IdUseDiscs, "Bots use Discs"},
    {CBotEditorDlg::IdAutoPilot, "Auto Pilot"},
    {CBotEditorDlg::IdBotChat, ""},
};
struct FieldControl {
    int id;
    const char* label;
};
constexpr FieldControl kChatControls[kBotChatCount] = {
    {CBotEditorDlg::IdChatPercent, "Chat Percent"},
    {CBotEditorDlg::IdTauntPercent, "Taunt Percent"},
    {CBotEditorDlg::IdWhinePercent, "Whine Percent"},
    {CBotEditorDlg::IdChatTagPercent, "Chat Tag Percent"},
    {CBotEditorDlg::IdChatDropPercent, "Chat Drop Percent"},
    {CBotEditorDlg::IdChatSwapPercent, "Chat Swap Percent"},
    {CBotEditorDlg::IdChatLowerPercent, "Chat Lower Percent"},
};
constexpr FieldControl kNumberControls[kBotNumberCount] = {{CBotEditorDlg::IdNumberOfBots, "Number of Bots"},
                                                           {CBotEditorDlg::IdMeleePercent, "Melee Percent"},
                                                           {CBotEditorDlg::IdTeleportPercent, "Teleport Percent"}};
constexpr FieldControl kFillControls[kBotFillCount] = {{CBotEditorDlg::IdFillFull, "Full"},
                                                       {CBotEditorDlg::IdFillHalfGood, "Half Good"},
                                                       {CBotEditorDlg::IdFillFullGood, "Full Good"},
                                                       {CBotEditorDlg::IdFillHalfEvil, "Half Evil"},
                                                       {CBotEditorDlg::IdFillFullEvil, "Full Evil"}};

QLineEdit* MakeDigitsField(QWidget* parent, int id)
{
    // Typing takes digits only; text set from a file is shown as it is.
    auto* field = SetControlId(new QLineEdit(parent), id);
    field->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), field));
    return field;
}

QPushButton* MakeHelpToggle(QWidget* parent, int id)
{
    QPushButton* toggle = MakeButton(parent, id, "Help");
    toggle->setCheckable(true);
    return toggle;
}

std::string Bytes(const QLineEdit* field)
{
    return FieldBytes(field);
}

} // namespace

CBotEditorDlg::CBotEditorDlg(const PageContext& ctx, BotHelpWindows help, QWidget* parent)
    : QWidget(parent), ctx_(ctx), help_(help), files_(ctx.GameFiles())
{
    config_.SetSaveReport(ctx.fileSaved);
    setObjectName("CBotEditorDlg");
    CreateWidgets();
    ConnectWidgets();
    LoadControls();
    AddLoaderStep();
}

// ---- layout, in dialog units of the 424 x 232 page ------------------------------------------
// Left: the options over the "Bots Chat" frame. Right: the bot.cfg list with its buttons, beside
// detection and the team fills; under it the pause and command lines, the bot and the super bot.

void CBotEditorDlg::CreateWidgets()
{
    resize(DluX(424), DluY(232));

    MakeGroup(this, "Options", 4, 2, 160, 108);
    MakeLabel(this, "Bot Skill", 10, 14, 66);
    skill_ = Place(SetControlId(new QComboBox(this), IdSkill), 78, 12, 48, 13);
    for (const char* name : kSkillNames)
        skill_->addItem(name);
    miscHelp_ = Place(MakeHelpToggle(this, IdMiscHelp), 130, 12, 28, 13);
    constexpr int kNumberRows[kBotNumberCount] = {28, 80, 94};
    for (int i = 0; i < kBotNumberCount; ++i) {
        MakeLabel(this, kNumberControls[i].label, 10, kNumberRows[i] + 1, 66);
        numbers_[i] = Place(MakeDigitsField(this, kNumberControls[i].id), 78, kNumberRows[i], 30, 12);
    }
    for (int i = 0; i < kBotSwitchCount - 1; ++i) {
        const int column = i / 3;
        switches_[i] = Place(SetControlId(new QCheckBox(kSwitchControls[i].text, this), kSwitchControls[i].id),
                             column == 0 ? 10 : 86, 43 + (i % 3) * 11, column == 0 ? 74 : 76, 10);
    }

    chatFrame_ = SetControlId(MakeGroup(this, "Bots Chat", 4, 114, 160, 116), IdChatFrame);
    // The chat switch sits on the frame's title line, after its title.
    const int titleEnd = 4 + 8 + PixelsToDluX(chatFrame_->fontMetrics().horizontalAdvance(chatFrame_->title()));
    switches_[kBotSwitchCount - 1] =
        Place(SetControlId(new QCheckBox(this), kSwitchControls[kBotSwitchCount - 1].id), titleEnd + 2, 113, 12, 10);
    chatHelp_ = Place(MakeHelpToggle(this, IdChatHelp), 130, 111, 28, 13);
    for (int i = 0; i < kBotChatCount; ++i) {
        MakeLabel(this, kChatControls[i].label, 10, 127 + i * 14, 82);
        chat_[i] = Place(SetControlId(new QLineEdit(this), kChatControls[i].id), 96, 126 + i * 14, 40, 12);
    }
    // Drawn over the frame's border it sits on.
    chatHelp_->raise();

    listFrame_ = SetControlId(MakeGroup(this, QString(), 168, 2, 180, 128), IdListFrame);
    list_ = Place(SetControlId(new QListWidget(this), IdList), 174, 13, 126, 112);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    top_ = Place(MakeButton(this, IdTop, "Top"), 304, 13, 38, 14);
    up_ = Place(MakeButton(this, IdUp, "Up"), 304, 29, 38, 14);
    down_ = Place(MakeButton(this, IdDown, "Down"), 304, 45, 38, 14);
    bottom_ = Place(MakeButton(this, IdBottom, "Bottom"), 304, 61, 38, 14);
    remove_ = Place(MakeButton(this, IdRemove, "Remove"), 304, 85, 38, 14);
    clear_ = Place(MakeButton(this, IdClear, "Clear"), 304, 101, 38, 14);

    detect_ = Place(MakeButton(this, IdDetectBots, "Detect Bots"), 352, 3, 68, 14);
    status_ = Place(SetControlId(new QLabel(this), IdStatus), 352, 19, 68, 9);
    status_->setAlignment(Qt::AlignCenter);
    activate_ = Place(MakeButton(this, IdActivateBots, "Activate Bots"), 352, 30, 68, 14);
    MakeGroup(this, "Team Fill", 352, 48, 68, 82);
    for (int i = 0; i < kBotFillCount; ++i)
        fills_[i] = Place(SetControlId(new QRadioButton(kFillControls[i].label, this), kFillControls[i].id), 358,
                          58 + i * 11, 58, 10);
    addFill_ = Place(MakeButton(this, IdAddFill, "Add Fill"), 358, 113, 56, 13);

    pause_ = Place(SetControlId(new QLineEdit(this), IdPause), 168, 135, 34, 12);
    addPause_ = Place(MakeButton(this, IdAddPause, "Add Pause (s)"), 204, 134, 58, 14);
    command_ = Place(SetControlId(new QLineEdit(this), IdCommand), 266, 135, 96, 12);
    addCommand_ = Place(MakeButton(this, IdAddCommand, "Add Command"), 364, 134, 56, 14);

    MakeGroup(this, "Bot", 168, 152, 146, 78);
    MakeLabel(this, "Team", 174, 164, 22);
    team_ = Place(SetControlId(new QLineEdit(this), IdTeam), 198, 163, 24, 12);
    MakeLabel(this, "Class", 226, 164, 22);
    class_ = Place(SetControlId(new QLineEdit(this), IdClass), 250, 163, 24, 12);
    classHelp_ = Place(MakeHelpToggle(this, IdClassHelp), 280, 162, 28, 13);
    MakeLabel(this, "Name", 174, 179, 22);
    name_ = Place(SetControlId(new QLineEdit(this), IdName), 198, 178, 110, 12);
    MakeLabel(this, "Skill", 174, 194, 22);
    botSkill_ = Place(SetControlId(new QLineEdit(this), IdBotSkill), 198, 193, 24, 12);
    addBot_ = Place(MakeButton(this, IdAddBot, "Add Bot"), 174, 211, 64, 14);
    editBot_ = Place(MakeButton(this, IdEditBot, "Edit Bot"), 244, 211, 64, 14);

    MakeGroup(this, "Super Bot", 318, 152, 102, 78);
    MakeLabel(this, "Type", 324, 164, 22);
    superType_ = Place(SetControlId(new QLineEdit(this), IdSuperType), 348, 163, 24, 12);
    MakeLabel(this, "Class", 324, 179, 22);
    superClass_ = Place(SetControlId(new QLineEdit(this), IdSuperClass), 348, 178, 24, 12);
    addSuperBot_ = Place(MakeButton(this, IdAddSuperBot, "Add\nSuper Bot"), 374, 162, 42, 29);
    editSuperBot_ = Place(MakeButton(this, IdEditSuperBot, "Edit Bot"), 324, 211, 90, 14);
    // A long bot.cfg lays out fast: every entry is one line of text.
    list_->setUniformItemSizes(true);
    OneLineFields(this);
}

void CBotEditorDlg::ConnectWidgets()
{
    // Edits act on every change, from the user or from code; the choice, the boxes, the radios
    // and the buttons only on the user's; the list's selection only on the user's (changes made
    // here are made under a signal blocker).
    connect(top_, &QPushButton::clicked, this, [this] { OnMove(BotConfig::Move::Top); });
    connect(up_, &QPushButton::clicked, this, [this] { OnMove(BotConfig::Move::Up); });
    connect(down_, &QPushButton::clicked, this, [this] { OnMove(BotConfig::Move::Down); });
    connect(bottom_, &QPushButton::clicked, this, [this] { OnMove(BotConfig::Move::Bottom); });
    connect(remove_, &QPushButton::clicked, this, &CBotEditorDlg::OnRemove);
    connect(clear_, &QPushButton::clicked, this, &CBotEditorDlg::OnClear);
    connect(addCommand_, &QPushButton::clicked, this, &CBotEditorDlg::OnAddCommand);
    connect(addPause_, &QPushButton::clicked, this, &CBotEditorDlg::OnAddPause);
    connect(addFill_, &QPushButton::clicked, this, &CBotEditorDlg::OnAddFill);
    connect(addBot_, &QPushButton::clicked, this, &CBotEditorDlg::OnAddBot);
    connect(addSuperBot_, &QPushButton::clicked, this, &CBotEditorDlg::OnAddSuperBot);
    connect(editBot_, &QPushButton::clicked, this, &CBotEditorDlg::OnEditBot);
    connect(editSuperBot_, &QPushButton::clicked, this, &CBotEditorDlg::OnEditSuperBot);
    connect(list_, &QListWidget::itemSelectionChanged, this, &CBotEditorDlg::OnSelectionChanged);
    for (int i = 0; i < kBotSwitchCount; ++i)
        connect(switches_[i], &QCheckBox::clicked, this, [this, i](bool checked) { OnSwitchClicked(i, checked); });
    for (int i = 0; i < kBotChatCount; ++i)
        connect(chat_[i], &QLineEdit::textChanged, this, [this, i](const QString& text) { OnChatChanged(i, text); });
    for (int i = 0; i < kBotNumberCount; ++i)
        connect(numbers_[i], &QLineEdit::textChanged, this,
                [this, i](const QString& text) { OnNumberChanged(i, text); });
    connect(skill_, &QComboBox::activated, this, &CBotEditorDlg::OnSkillChosen);
    connect(detect_, &QPushButton::clicked, this, &CBotEditorDlg::OnDetectBots);
    connect(activate_, &QPushButton::clicked, this, &CBotEditorDlg::OnActivateBots);

    const std::pair<QPushButton*, CBotHelpDlg*> toggles[] = {
        {classHelp_, help_.teamClass}, {miscHelp_, help_.misc}, {chatHelp_, help_.chat}};
    for (const auto& [toggle, window] : toggles) {
        connect(toggle, &QPushButton::clicked, this, [this, window] { OnHelpToggled(window); });
        if (window)
            connect(window, &CBotHelpDlg::closedByUser, toggle, [toggle] { toggle->setChecked(false); });
    }
}

void CBotEditorDlg::LoadControls()
{
    // Nothing is chosen until the settings loader has read the game's files.
    skill_->setCurrentIndex(-1);
    editBot_->setEnabled(false);
    editSuperBot_->setEnabled(false);
}

void CBotEditorDlg::AddLoaderStep()
{
    // Read on the loader's thread; shown, and the .bak and the game.cfg numbers written, on the
    // window thread, to the files this run read: a run that a new game location overtook must not
    // write into the new game's files.
    ctx_.loader.AddStep(CSettingsLoader::BotList, this, [this](LoaderInput& in) -> LoaderApply {
        BotConfigRead read = ReadBotConfig(in.files);
        return [this, read = std::move(read), files = in.files.Writer()] { ShowBotConfig(read, files); };
    });
}

void CBotEditorDlg::LoadBotConfig()
{
    CvarFiles files = ctx_.GameFiles();
    const BotConfigRead read = ReadBotConfig(files);
    ShowBotConfig(read, files.Writer());
}

void CBotEditorDlg::ShowBotConfig(const BotConfigRead& read, const CvarFiles& files)
{
    files_ = files;
    // The path shows which game's bot.cfg is meant, found or not.
    listFrame_->setTitle(DisplayText(read.path));
    if (!read.exists) {
        config_.Reset(std::string(), {});
        {
            const QSignalBlocker quiet(list_);
            list_->clear();
            shown_.clear();
            list_->addItem(kBotConfigMissing);
        }
        SetEditingEnabled(false);
        editBot_->setEnabled(false);
        editSuperBot_->setEnabled(false);
        return;
    }
    MakeBotBackup(files, read.original);
    config_.Reset(read.path, read.lines);
    SetEditingEnabled(true);
    ShowLines(-1);

    skill_->setCurrentIndex(read.skill);
    for (int i = 0; i < kBotNumberCount; ++i) {
        // Filling a number field writes it, as typing does: loading puts all three into game.cfg,
        // an absent one with the value shown.
        {
            const QSignalBlocker quiet(numbers_[i]);
            SetFieldBytes(numbers_[i], read.numbers[i]);
        }
        WriteBotNumber(files, i, read.numbers[i]);
    }
    for (int i = 0; i < kBotSwitchCount; ++i)
        switches_[i]->setChecked(read.switches[i]);
    loading_ = true;
    for (int i = 0; i < kBotChatCount; ++i)
        SetFieldBytes(chat_[i], read.chat[i]);
    loading_ = false;
}

void CBotEditorDlg::SetEditingEnabled(bool enabled)
{
    // Detection, activation, the fill choice and the Help toggles stay usable: they need no
    // bot.cfg. The two Edit Bot buttons follow the selection, not the load.
    QWidget* const editing[] = {list_,     skill_,    chatFrame_, top_,        up_,          down_,
                                bottom_,   remove_,   clear_,     team_,       class_,       name_,
                                botSkill_, addBot_,   superType_, superClass_, addSuperBot_, addFill_,
                                pause_,    addPause_, command_,   addCommand_};
    for (QWidget* w : editing)
        w->setEnabled(enabled);
    for (QLineEdit* field : numbers_)
        field->setEnabled(enabled);
    for (QCheckBox* box : switches_)
        box->setEnabled(enabled);
    for (QLineEdit* field : chat_)
        field->setEnabled(enabled);
}

void CBotEditorDlg::ShowLines(int select)
{
    // Only the entries that changed are touched: one option changed in a bot.cfg of many
    // thousand lines costs one entry of the list, not the whole list.
    const QSignalBlocker quiet(list_);
    const std::vector<std::string>& lines = config_.lines();
    if (shown_.size() != static_cast<size_t>(list_->count())) {
        list_->clear();
        shown_.clear();
    }
    size_t head = 0;
    while (head < lines.size() && head < shown_.size() && lines[head] == shown_[head])
        ++head;
    size_t tail = 0;
    while (tail < lines.size() - head && tail < shown_.size() - head &&
           lines[lines.size() - 1 - tail] == shown_[shown_.size() - 1 - tail])
        ++tail;
    const size_t oldEnd = shown_.size() - tail;
    const size_t newEnd = lines.size() - tail;
    size_t row = head;
    for (; row < oldEnd && row < newEnd; ++row)
        list_->item(static_cast<int>(row))->setText(DisplayText(lines[row]));
    for (size_t extra = row; extra < oldEnd; ++extra)
        delete list_->takeItem(static_cast<int>(row));
    for (; row < newEnd; ++row)
        list_->insertItem(static_cast<int>(row), DisplayText(lines[row]));
    shown_ = lines;
    if (select >= 0 && select < list_->count()) {
        list_->setCurrentRow(select);
        list_->scrollToItem(list_->item(select));
    } else {
        list_->setCurrentRow(-1);
    }
}

int CBotEditorDlg::SelectedIndex() const
{
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty() || config_.path().empty())
        return -1;
    const int row = list_->row(selected.front());
    return row < static_cast<int>(config_.lines().size()) ? row : -1;
}

void CBotEditorDlg::Changed(int select, bool focusList)
{
    ShowLines(select);
    config_.Save();
    if (focusList)
        list_->setFocus();
}

// ---- the list --------------------------------------------------------------------------------

void CBotEditorDlg::OnMove(BotConfig::Move to)
{
    // An entry that cannot go further leaves the file alone.
    const int moved = config_.MoveEntry(SelectedIndex(), to);
    if (moved >= 0)
        Changed(moved, true);
}

void CBotEditorDlg::OnRemove()
{
    editBot_->setEnabled(false);
    editSuperBot_->setEnabled(false);
    config_.Remove(SelectedIndex());
    ShowLines(-1);
    config_.Save();
}

void CBotEditorDlg::OnClear()
{
    // No question asked: the .bak holds the file as it first was.
    editBot_->setEnabled(false);
    editSuperBot_->setEnabled(false);
    config_.Clear();
    ShowLines(-1);
}

void CBotEditorDlg::OnAddCommand()
{
    if (command_->text().isEmpty())
        return;
    Changed(config_.Append(Bytes(command_)), true);
}

void CBotEditorDlg::OnAddPause()
{
    if (pause_->text().isEmpty())
        return;
    Changed(config_.Append(PauseLine(Bytes(pause_))), true);
}

void CBotEditorDlg::OnAddFill()
{
    for (int i = 0; i < kBotFillCount; ++i)
        if (fills_[i]->isChecked()) {
            Changed(config_.Append(FillLine(i)), true);
            return;
        }
}

void CBotEditorDlg::OnAddBot()
{
    Changed(config_.Append(BotLine(Bytes(team_), Bytes(class_), Bytes(name_), Bytes(botSkill_))), false);
}

void CBotEditorDlg::OnAddSuperBot()
{
    Changed(config_.Append(SuperBotLine(Bytes(superType_), Bytes(superClass_))), false);
}

void CBotEditorDlg::OnEditBot()
{
    const int index = SelectedIndex();
    if (index < 0 || config_.lines()[index].rfind("addbot ", 0) != 0)
        return;
    config_.Replace(index, BotLine(Bytes(team_), Bytes(class_), Bytes(name_), Bytes(botSkill_)));
    Changed(index, false);
}

void CBotEditorDlg::OnEditSuperBot()
{
    const int index = SelectedIndex();
    if (index < 0 || config_.lines()[index].rfind("addsbot ", 0) != 0)
        return;
    config_.Replace(index, SuperBotLine(Bytes(superType_), Bytes(superClass_)));
    Changed(index, false);
}

void CBotEditorDlg::OnSelectionChanged()
{
    const int index = SelectedIndex();
    if (index < 0)
        return;
    // The fields keep the line's bytes: an 8-bit name written back unchanged stays as it was.
    const BotLineFields fields = ParseBotLine(config_.lines()[index]);
    SetFieldBytes(command_, fields.command);
    // A line too long for its field shows its start, where the command is, as a filled field does.
    command_->setCursorPosition(0);
    if (fields.pause) {
        // A pause sits between bots: the bot being edited stays editable.
        SetFieldBytes(pause_, fields.pauseSeconds);
        return;
    }
    editBot_->setEnabled(fields.bot);
    if (fields.bot) {
        SetFieldBytes(team_, fields.team);
        SetFieldBytes(class_, fields.playerClass);
        SetFieldBytes(name_, fields.name);
        name_->setCursorPosition(0);
        SetFieldBytes(botSkill_, fields.skill);
    }
    editSuperBot_->setEnabled(fields.superBot);
    if (fields.superBot) {
        SetFieldBytes(superType_, fields.superType);
        SetFieldBytes(superClass_, fields.superClass);
    }
}

// ---- the options -----------------------------------------------------------------------------

void CBotEditorDlg::SetOption(const std::string& key, const std::string& value)
{
    ShowLines(config_.SetBotOption(key, value));
}

void CBotEditorDlg::RemoveOption(const std::string& key)
{
    // The entry selected stays selected, wherever the removal moves it.
    const int removed = config_.FindOption(key);
    int selected = SelectedIndex();
    if (removed >= 0 && selected >= removed)
        selected = selected == removed ? -1 : selected - 1;
    config_.RemoveBotOption(key);
    ShowLines(selected);
}

void CBotEditorDlg::OnSwitchClicked(int index, bool checked)
{
    // Only a switch away from the plug-in's default takes a line.
    const BotSwitch& option = kBotSwitches[index];
    if (checked == option.onByDefault)
        RemoveOption(option.key);
    else
        SetOption(option.key, checked ? "1" : "0");
}

void CBotEditorDlg::OnChatChanged(int index, const QString& text)
{
    if (loading_)
        return;
    const char* key = kBotChatOptions[index].key;
    if (text.isEmpty())
        RemoveOption(key);
    else
        SetOption(key, FieldBytes(chat_[index]));
}

void CBotEditorDlg::OnNumberChanged(int index, const QString&)
{
    WriteBotNumber(files_, index, FieldBytes(numbers_[index]));
}

void CBotEditorDlg::OnSkillChosen(int position)
{
    WriteBotSkill(files_, position);
}

// ---- the plug-in -----------------------------------------------------------------------------

void CBotEditorDlg::OnDetectBots()
{
    const AppSettings& s = ctx_.settings;
    const bool found = FileExists(JoinPath(s.gameFolder, s.modFolder, "dlls", "znk_bot.dll"));
    status_->setText(found ? "Bots detected" : "Bots not detected");
    LoadBotConfig();
}

void CBotEditorDlg::OnActivateBots()
{
    // What the settings page's "Bots" button does; its game library field follows the signal.
    WriteGameLibrary(ctx_.GameFiles(), kBotGameLibrary);
    Q_EMIT gameLibraryActivated(kBotGameLibrary);
}

void CBotEditorDlg::OnHelpToggled(CBotHelpDlg* window)
{
    // The toggle has changed its own state; the window follows the click, not the state, and
    // tells the toggle when the user closes it by itself.
    if (!window)
        return;
    if (window->isVisible())
        window->hide();
    else
        window->Open();
}
