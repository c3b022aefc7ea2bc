// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconfig/settings_main.h"

#include "core/address.h"
#include "core/numbers.h"
#include "core/path.h"
#include "gamefiles/settings_loader.h"
#include "platform/platform.h"
#include "query/resolve_thread.h"
#include "settings/app_settings.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/line_field.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

const char* const CSettingsMain::kResolutions[8] = {"400   *  300", "512   *  384", "640   *  480", "800   *  600",
                                                    "1024 *  768",  "1152 *  864",  "1280 *  960",  "1600 * 1200"};

namespace {

const char* const kWidthValue = "EngineModeW";
const char* const kHeightValue = "EngineModeH";
const char* const kWindowedValue = "EngineModeWindowed";

} // namespace

CSettingsMain::CSettingsMain(const PageContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName("CSettingsMain");
    CreateWidgets();
    ConnectWidgets();
    LoadControls();
    AddLoaderSteps();
}

void CSettingsMain::CreateWidgets()
{
    resize(DluX(280), DluY(180));

    MakeLabel(this, "Half-Life location", 8, 6, 120);
    location_ = Place(SetControlId(new QLineEdit(this), IdLocation), 8, 16, 196, 12);
    browse_ = Place(MakeButton(this, IdBrowse, "Browse"), 208, 15, 34, 14);
    ok_ = Place(MakeButton(this, IdOk, "Ok"), 246, 15, 26, 14);

    MakeLabel(this, "Other Arguments", 8, 34, 120);
    otherArguments_ = Place(SetControlId(new QLineEdit(this), IdOtherArguments), 8, 44, 264, 12);

    MakeLabel(this, "Player Name", 8, 62, 80);
    playerName_ = Place(SetControlId(new QLineEdit(this), IdPlayerName), 8, 72, 120, 12);
    MakeLabel(this, "Resolution", 136, 62, 60);
    resolution_ = Place(SetControlId(new QComboBox(this), IdResolution), 136, 71, 74, 13);
    fullScreen_ = Place(SetControlId(new QCheckBox("FullScreen", this), IdFullScreen), 216, 72, 56, 11);

    MakeLabel(this, "GameDLL", 8, 90, 80);
    gameLibrary_ = Place(SetControlId(new QLineEdit(this), IdGameLibrary), 8, 100, 138, 12);
    znk_ = Place(MakeButton(this, IdZnkLibrary, "ZNK"), 150, 99, 36, 14);
    bots_ = Place(MakeButton(this, IdBotLibrary, "Bots"), 190, 99, 36, 14);
    metamod_ = Place(MakeButton(this, IdMetamodLibrary, "Metamod"), 230, 99, 42, 14);

    MakeLabel(this, "Master Server", 8, 118, 80);
    masterServer_ = Place(SetControlId(new QLineEdit(this), IdMasterServer), 8, 128, 138, 12);
    resolveIp_ = Place(MakeButton(this, IdResolveIp, "Resolve Ip"), 150, 127, 46, 14);
    steam_ = Place(SetControlId(new QRadioButton("Steam", this), IdSteam), 200, 128, 38, 11);
    won_ = Place(SetControlId(new QRadioButton("WON", this), IdWon), 240, 128, 34, 11);
    auto* types = new QButtonGroup(this);
    types->addButton(steam_);
    types->addButton(won_);
    steamDefault_ = Place(MakeButton(this, IdSteamDefault, "Steam Default"), 150, 145, 58, 14);
    wonDefault_ = Place(MakeButton(this, IdWonDefault, "WON Default"), 214, 145, 58, 14);
    OneLineFields(this);
}

void CSettingsMain::ConnectWidgets()
{
    // Edits act on every change, from the user or from code (the loader's filling writes the
    // values back); the list, the check box, the radios and the buttons only on the user's.
    connect(ok_, &QPushButton::clicked, this, &CSettingsMain::OnLocationOk);
    connect(browse_, &QPushButton::clicked, this, &CSettingsMain::OnBrowse);
    connect(otherArguments_, &QLineEdit::textChanged, this, &CSettingsMain::OnOtherArgumentsChanged);
    connect(playerName_, &QLineEdit::textChanged, this, &CSettingsMain::OnPlayerNameChanged);
    connect(resolution_, &QComboBox::activated, this, &CSettingsMain::OnResolutionChosen);
    connect(fullScreen_, &QCheckBox::clicked, this, &CSettingsMain::OnFullScreenClicked);
    connect(gameLibrary_, &QLineEdit::textChanged, this, &CSettingsMain::OnGameLibraryChanged);
    connect(znk_, &QPushButton::clicked, this, [this] { SetGameLibrary(kZnkLibrary); });
    connect(bots_, &QPushButton::clicked, this, [this] { SetGameLibrary(kBotLibrary); });
    connect(metamod_, &QPushButton::clicked, this, [this] { SetGameLibrary(kMetamodLibrary); });
    connect(masterServer_, &QLineEdit::textChanged, this, &CSettingsMain::OnMasterServerChanged);
    connect(resolveIp_, &QPushButton::clicked, this, &CSettingsMain::OnResolveIp);
    connect(steam_, &QRadioButton::clicked, this, [this] { ChooseMasterType(false); });
    connect(won_, &QRadioButton::clicked, this, [this] { ChooseMasterType(true); });
    connect(steamDefault_, &QPushButton::clicked, this, [this] { OnDefaultMaster(false); });
    connect(wonDefault_, &QPushButton::clicked, this, [this] { OnDefaultMaster(true); });
}

void CSettingsMain::LoadControls()
{
    const AppSettings& s = ctx_.settings;
    {
        // What the record holds already: nothing to write back.
        const QSignalBlocker quietArgs(otherArguments_);
        const QSignalBlocker quietMaster(masterServer_);
        otherArguments_->setText(QString::fromStdString(s.otherArguments));
        masterServer_->setText(QString::fromStdString(s.masterServer));
    }
    (s.wonMaster ? won_ : steam_)->setChecked(true);
    for (const char* text : kResolutions)
        resolution_->addItem(text);
    resolution_->setCurrentIndex(-1);

    // The game's own values; without its key the two controls stay as they are.
    uint32_t width = 0;
    if (!platform::ReadGameRegistryDword(s.workFolder, kWidthValue, width))
        return;
    // The first item that begins with the width, as a list box's prefix search finds it.
    const QString prefix = QString::number(width);
    for (int i = 0; i < resolution_->count(); ++i)
        if (resolution_->itemText(i).startsWith(prefix, Qt::CaseInsensitive)) {
            resolution_->setCurrentIndex(i);
            break;
        }
    uint32_t windowed = 0;
    if (platform::ReadGameRegistryDword(s.workFolder, kWindowedValue, windowed))
        fullScreen_->setChecked(windowed == 0);
}

void CSettingsMain::AddLoaderSteps()
{
    CSettingsLoader& loader = ctx_.loader;
    loader.AddStep(CSettingsLoader::LoadConfigText, this, [](LoaderInput& in) -> LoaderApply {
        LoadClientConfig(in.files);
        return {};
    });
    loader.AddStep(CSettingsLoader::GameLocation, this, [this](LoaderInput& in) -> LoaderApply {
        const QString path = QString::fromStdString(in.settings.GetExePath(false));
        return [this, path] { location_->setText(path); };
    });
    // The two edits below write what they are given back to their file, as typing does: even
    // when the text is the same (a missing name line is added). Written to the files the run
    // read, not to those of the settings now: a run that a new game location overtook must not
    // put the old game's values into the new game's files.
    loader.AddStep(CSettingsLoader::PlayerName, this, [this](LoaderInput& in) -> LoaderApply {
        const std::string name = ReadPlayerName(in.files);
        return [this, name, files = in.files.Writer()] {
            const QSignalBlocker quiet(playerName_);
            SetFieldBytes(playerName_, name);
            WritePlayerName(files, name);
        };
    });
    loader.AddStep(CSettingsLoader::GameLibrary, this, [this](LoaderInput& in) -> LoaderApply {
        const std::string library = ReadGameLibrary(in.files);
        return [this, library, files = in.files.Writer()] {
            const QSignalBlocker quiet(gameLibrary_);
            SetFieldBytes(gameLibrary_, library);
            WriteGameLibrary(files, library);
        };
    });
}

// ---- the game location ---------------------------------------------------------------------

bool CSettingsMain::LocationHasFocus() const
{
    // The window's focus widget, whether or not the window is the active one right now.
    return window()->focusWidget() == location_;
}

void CSettingsMain::OnLocationOk()
{
    const QString typed = location_->text();
    const std::string path = QDir::toNativeSeparators(typed).toStdString();
    if (!FileExists(path)) {
        if (ctx_.message)
            ctx_.message(QString(), "Can't open " + typed + " !");
        return;
    }
    ctx_.settings.AdoptGameLocation(path);
    // The logo, the pages and the playlist follow the new game.
    if (ctx_.settings.gameLocationChanged)
        ctx_.settings.gameLocationChanged();
}

void CSettingsMain::OnBrowse()
{
    ctx_.settings.BrowseForGame(false);
}

// ---- the fields ------------------------------------------------------------------------------

void CSettingsMain::OnOtherArgumentsChanged(const QString& text)
{
    ctx_.settings.otherArguments = text.toStdString();
}

void CSettingsMain::OnPlayerNameChanged()
{
    WritePlayerName(ctx_.GameFiles(), FieldBytes(playerName_));
}

void CSettingsMain::OnResolutionChosen(int index)
{
    if (index < 0)
        return;
    const std::string item = resolution_->itemText(index).toStdString();
    const size_t star = item.find('*');
    if (star == std::string::npos)
        return;
    const uint32_t width = static_cast<uint32_t>(ReadNumber(item.substr(0, star)));
    const uint32_t height = static_cast<uint32_t>(ReadNumber(item.substr(star + 1)));
    // Neither is written when the game's key is not there: the program never makes it.
    if (platform::WriteGameRegistryDword(ctx_.settings.workFolder, kWidthValue, width))
        platform::WriteGameRegistryDword(ctx_.settings.workFolder, kHeightValue, height);
}

void CSettingsMain::OnFullScreenClicked(bool checked)
{
    platform::WriteGameRegistryDword(ctx_.settings.workFolder, kWindowedValue, checked ? 0 : 1);
}

void CSettingsMain::OnGameLibraryChanged()
{
    WriteGameLibrary(ctx_.GameFiles(), FieldBytes(gameLibrary_));
}

void CSettingsMain::SetGameLibrary(const char* path)
{
    // The field's own handler writes it too: the file is written twice, as the buttons always did.
    gameLibrary_->setText(path);
    WriteGameLibrary(ctx_.GameFiles(), path);
}

// ---- the master server -----------------------------------------------------------------------

void CSettingsMain::OnMasterServerChanged(const QString& text)
{
    QString compact = text;
    compact.remove(' ');
    ctx_.settings.masterServer = compact.toStdString();
}

void CSettingsMain::OnResolveIp()
{
    // The name is looked up off the window thread; the answer comes back to it queued.
    CResolveThread::StartIfNeeded(masterServer_->text(), this,
                                  [this](const QString& address) { masterServer_->setText(address); });
}

void CSettingsMain::ChooseMasterType(bool won)
{
    ctx_.settings.wonMaster = won;
}

void CSettingsMain::OnDefaultMaster(bool won)
{
    masterServer_->setText(won ? AppSettings::kDefaultWonMaster : AppSettings::kSteamDefaultMaster);
    ctx_.settings.masterServer = won ? AppSettings::kDefaultWonMaster : AppSettings::kSteamDefaultMaster;
    ctx_.settings.wonMaster = won;
    won_->setChecked(won);
    steam_->setChecked(!won);
}
