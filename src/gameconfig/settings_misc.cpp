#include "gameconfig/settings_misc.h"

#include "core/numbers.h"
#include "core/path.h"
#include "gamefiles/model/cvar_file.h"
#include "gamefiles/settings_loader.h"
#include "settings/app_settings.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/line_field.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>

namespace {

const char* const kConfig = "config.cfg";

enum Id {
    IdConsole = 1131,
    IdBpp32 = 1045,
    IdDustTrails = 1043,
    IdNumericPing = 1044,
    IdHiModels = 1132,
    IdRocks = 1133,
    IdFxQuality = 1144,
    IdBeamQuality = 1104,
    IdMod = 1105,
    IdPriority = 1106,
    IdTimeout = 1146,
    IdGetLength = 1177,
    IdDetectVbr = 1176,
};

// The five options that are config.cfg text as typed.
struct TextOption {
    int id;
    const char* label;
    const char* key;
};
constexpr std::array<TextOption, 5> kTextOptions = {{{1134, "FPS Max", "fps_max"},
                                                      {1135, "Net Graph", "net_graph"},
                                                      {1136, "Sensitivity", "sensitivity"},
                                                      {1137, "MP3 Volume", "MP3Volume"},
                                                      {1138, "Mp. Decals Limit", "mp_decals"}}};

const char* const kFxItems[] = {"High", "Medium", "Low", "No FX"};
const char* const kBeamItems[] = {"Best", "High", "Medium", "Low", "Crappy"};
const char* const kPriorityItems[] = {"Low", "Below Normal", "Normal", "Above Normal", "High", "Real Time"};

// What step 5 of the loader found in config.cfg.
struct MiscValues {
    std::string hiModels, dustTrails, rocks, fx, beam;
    std::array<std::string, 5> texts;
};

QComboBox* MakeList(QWidget* parent, int id, const char* label, int x, int y, int labelW, int listW)
{
    Place(new QLabel(label, parent), x, y + 1, labelW, 10);
    return Place(SetControlId(new QComboBox(parent), id), x + labelW, y, listW, 13);
}

// The mod folders of a game: its sub-folders holding a liblist.gam, in alphabetical order
// whatever the letter case (the folder's own order is the disk's, which no one can read).
std::vector<std::string> ModFolders(const std::string& gameFolder)
{
    std::vector<std::string> mods;
    std::error_code error;
    for (std::filesystem::directory_iterator it(gameFolder, error), end; !error && it != end; it.increment(error)) {
        std::error_code kind;
        if (it->is_directory(kind) && std::filesystem::is_regular_file(it->path() / "liblist.gam", kind))
            mods.push_back(it->path().filename().string());
    }
    const auto lower = [](std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return text;
    };
    std::sort(mods.begin(), mods.end(), [&lower](const std::string& a, const std::string& b) {
        const std::string la = lower(a);
        const std::string lb = lower(b);
        return la != lb ? la < lb : a < b;
    });
    return mods;
}

// Timeout's text as a number: its leading number part (blanks and a sign before it allowed), 0
// when there is none. Not through the C library: the user's locale must not turn "0.5" into 0.
// "nan", "inf" and numbers too large for the stored float are no time-out either: saved, they
// would make every query wait for ever or never.
double LeadingNumber(const std::string& text)
{
    size_t at = text.find_first_not_of(" \t");
    if (at == std::string::npos)
        return 0.0;
    bool negative = false;
    if (text[at] == '+' || text[at] == '-') {
        negative = text[at] == '-';
        ++at;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value) || value > std::numeric_limits<float>::max())
        return 0.0;
    return negative ? -value : value;
}

} // namespace

CSettingsMisc::CSettingsMisc(const PageContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName("CSettingsMisc");
    CreateWidgets();
    ConnectWidgets();
    LoadControls();
    AddLoaderSteps();
}

QCheckBox* CSettingsMisc::check(int id) const { return FindControl<QCheckBox>(this, id); }
QLineEdit* CSettingsMisc::edit(int id) const { return FindControl<QLineEdit>(this, id); }

void CSettingsMisc::CreateWidgets()
{
    resize(DluX(280), DluY(180));

    // Left: the client's options. Right: the launch switches, the game and the tool.
    MakeGroup(this, "Client", 6, 2, 138, 124);
    Place(SetControlId(new QCheckBox("High Quality Models", this), IdHiModels), 12, 13, 126, 10);
    Place(SetControlId(new QCheckBox("Swoop Dust Trails", this), IdDustTrails), 12, 24, 126, 10);
    Place(SetControlId(new QCheckBox("3D Particle System Rocks", this), IdRocks), 12, 35, 126, 10);
    fxQuality_ = MakeList(this, IdFxQuality, "FX Quality", 12, 47, 52, 72);
    for (const char* item : kFxItems)
        fxQuality_->addItem(item);
    beamQuality_ = MakeList(this, IdBeamQuality, "Beam Quality", 12, 62, 52, 72);
    for (const char* item : kBeamItems)
        beamQuality_->addItem(item);
    for (size_t i = 0; i < kTextOptions.size(); ++i) {
        const int y = 77 + static_cast<int>(i) * 9;
        Place(new QLabel(kTextOptions[i].label, this), 12, y + 1, 62, 9);
        Place(SetControlId(new QLineEdit(this), kTextOptions[i].id), 76, y, 62, 9);
    }

    MakeGroup(this, "Launch", 150, 2, 124, 52);
    Place(SetControlId(new QCheckBox("Console", this), IdConsole), 156, 13, 56, 10);
    Place(SetControlId(new QCheckBox("32bpp", this), IdBpp32), 214, 13, 56, 10);
    Place(SetControlId(new QCheckBox("Numeric Ping", this), IdNumericPing), 156, 24, 70, 10);
    priority_ = MakeList(this, IdPriority, "HL Priority", 156, 37, 44, 70);
    for (const char* item : kPriorityItems)
        priority_->addItem(item);

    MakeGroup(this, "ZNK Tool", 150, 58, 124, 46);
    mod_ = MakeList(this, IdMod, "MOD", 156, 70, 44, 70);
    Place(new QLabel("Timeout", this), 156, 87, 44, 10);
    timeout_ = Place(SetControlId(new QLineEdit(this), IdTimeout), 200, 86, 70, 12);

    MakeGroup(this, "Playlist Settings when Refreshing/Loading", 6, 130, 268, 44);
    Place(SetControlId(new QCheckBox("Get Length/Bitrate", this), IdGetLength), 12, 142, 200, 10);
    Place(SetControlId(new QCheckBox("Detect VBR - slower but accurate with VBR mp3s", this), IdDetectVbr), 12, 156,
          250, 10);
    OneLineFields(this);
}

void CSettingsMisc::ConnectWidgets()
{
    AppSettings& s = ctx_.settings;
    connect(check(IdConsole), &QCheckBox::clicked, this, [&s](bool on) { s.console = on; });
    connect(check(IdBpp32), &QCheckBox::clicked, this, [&s](bool on) { s.bpp32 = on; });
    connect(check(IdNumericPing), &QCheckBox::clicked, this, [&s](bool on) { s.numericPing = on; });
    connect(check(IdDustTrails), &QCheckBox::clicked, this, [this, &s](bool on) {
        s.dustTrails = on;
        WriteConfig("cl_dusttrails", on ? "1" : "0");
    });
    connect(check(IdRocks), &QCheckBox::clicked, this, [this, &s](bool on) {
        s.rocks3d = on;
        WriteConfig("cl_3drocks", on ? "1" : "0");
    });
    connect(check(IdHiModels), &QCheckBox::clicked, this, [this](bool on) { WriteConfig("cl_himodels", on ? "1" : "0"); });
    for (const TextOption& option : kTextOptions)
        connect(edit(option.id), &QLineEdit::textChanged, this,
                [this, key = option.key, field = edit(option.id)] { WriteConfig(key, FieldBytes(field)); });
    connect(fxQuality_, &QComboBox::activated, this, [this, &s](int index) {
        WriteConfig("cl_fxquality", std::to_string(3 - index));
        s.fxQuality = 4 - index;
    });
    connect(beamQuality_, &QComboBox::activated, this, [this, &s](int index) {
        WriteConfig("cl_beamquality", std::to_string(index));
        s.beamQuality = index + 1;
    });
    connect(priority_, &QComboBox::activated, this, [&s](int index) { s.priority = index - 2; });
    connect(mod_, &QComboBox::activated, this, &CSettingsMisc::OnModChosen);
    connect(timeout_, &QLineEdit::textChanged, this, &CSettingsMisc::OnTimeoutChanged);
    connect(check(IdGetLength), &QCheckBox::clicked, this, &CSettingsMisc::OnGetLengthClicked);
    connect(check(IdDetectVbr), &QCheckBox::clicked, this, [&s](bool on) { s.detectVbr = on; });
}

void CSettingsMisc::LoadControls()
{
    const AppSettings& s = ctx_.settings;
    {
        const QSignalBlocker quiet(timeout_);
        timeout_->setText(QString::number(static_cast<double>(s.timeout), 'f', 6));
    }
    check(IdConsole)->setChecked(s.console);
    check(IdBpp32)->setChecked(s.bpp32);
    check(IdNumericPing)->setChecked(s.numericPing);
    priority_->setCurrentIndex(s.priority >= -2 && s.priority <= 3 ? s.priority + 2 : -1);
    check(IdDetectVbr)->setChecked(s.detectVbr);
    check(IdDetectVbr)->setEnabled(!s.skipTrackInfo);
    check(IdGetLength)->setChecked(!s.skipTrackInfo);
    // Until the loader has read config.cfg.
    fxQuality_->setCurrentIndex(-1);
    beamQuality_->setCurrentIndex(-1);
    mod_->setCurrentIndex(-1);
}

void CSettingsMisc::AddLoaderSteps()
{
    CSettingsLoader& loader = ctx_.loader;
    loader.AddStep(CSettingsLoader::ModList, this, [this](LoaderInput& in) -> LoaderApply {
        return [this, mods = ModFolders(in.settings.gameFolder), current = in.settings.modFolder] {
            const QSignalBlocker quiet(mod_);
            mod_->clear();
            for (const std::string& m : mods)
                mod_->addItem(QString::fromStdString(m));
            SelectMod(current);
        };
    });
    loader.AddStep(CSettingsLoader::MiscOptions, this, [this](LoaderInput& in) -> LoaderApply {
        // config.cfg is the loaded text already (the first step).
        MiscValues v;
        v.hiModels = in.files.ReadCvar("cl_himodels", "", false);
        v.dustTrails = in.files.ReadCvar("cl_dusttrails", "", false);
        v.rocks = in.files.ReadCvar("cl_3drocks", "", false);
        for (size_t i = 0; i < kTextOptions.size(); ++i)
            v.texts[i] = in.files.ReadCvar(kTextOptions[i].key, "", false);
        v.fx = in.files.ReadCvar("cl_fxquality", "", false);
        v.beam = in.files.ReadCvar("cl_beamquality", "", false);
        // What the settings hold and the file lacks goes back into the file: to the files this
        // run read, from the settings as the run found them.
        return [this, v = std::move(v), files = in.files.Writer(), s = in.settings] {
            check(IdHiModels)->setChecked(v.hiModels == "1");
            for (const auto& [id, value, stored, key] :
                 {std::tuple {IdDustTrails, v.dustTrails, s.dustTrails, "cl_dusttrails"},
                  std::tuple {IdRocks, v.rocks, s.rocks3d, "cl_3drocks"}}) {
                if (value == "1") {
                    check(id)->setChecked(true);
                } else if (stored) {
                    files.WriteCvar(kConfig, key, "1", false);
                    check(id)->setChecked(true);
                } else {
                    check(id)->setChecked(false);
                }
            }
            // The edits write their text back, as typing would: a missing variable is appended.
            for (size_t i = 0; i < kTextOptions.size(); ++i) {
                QLineEdit* field = edit(kTextOptions[i].id);
                const QSignalBlocker quiet(field);
                SetFieldBytes(field, v.texts[i]);
                files.WriteCvar(kConfig, kTextOptions[i].key, v.texts[i], false);
            }
            if (v.fx.empty()) {
                if (s.fxQuality != 0)
                    files.WriteCvar(kConfig, "cl_fxquality", std::to_string(s.fxQuality - 1), false);
                fxQuality_->setCurrentIndex(s.fxQuality >= 1 && s.fxQuality <= 4 ? 4 - s.fxQuality : 0);
            } else {
                const int c = ReadNumber(v.fx);
                fxQuality_->setCurrentIndex(c >= 0 && c <= 3 ? 3 - c : -1);
            }
            if (v.beam.empty()) {
                if (s.beamQuality != 0)
                    files.WriteCvar(kConfig, "cl_beamquality", std::to_string(s.beamQuality - 1), false);
                beamQuality_->setCurrentIndex(s.beamQuality >= 1 && s.beamQuality <= 5 ? s.beamQuality - 1 : 0);
            } else {
                const int c = ReadNumber(v.beam);
                beamQuality_->setCurrentIndex(c >= 0 && c <= 4 ? c : -1);
            }
        };
    });
    loader.AddStep(CSettingsLoader::SelectMod, this, [this](LoaderInput& in) -> LoaderApply {
        return [this, current = in.settings.modFolder] { SelectMod(current); };
    });
}

void CSettingsMisc::SelectMod(const std::string& folder)
{
    const QSignalBlocker quiet(mod_);
    mod_->setCurrentIndex(mod_->findText(QString::fromStdString(folder), Qt::MatchExactly));
}

void CSettingsMisc::OnModChosen(int index)
{
    // While the loader fills the pages the choice counts for nothing (the list shows the mod
    // in use again): a switch then would mix two mods' values on the pages.
    if (ctx_.loader.running()) {
        SelectMod(ctx_.settings.modFolder);
        return;
    }
    if (index < 0)
        return;
    ctx_.settings.modFolder = mod_->itemText(index).toStdString();
    // The logo, the pages and the playlist follow the new mod.
    if (ctx_.settings.gameLocationChanged)
        ctx_.settings.gameLocationChanged();
}

void CSettingsMisc::OnTimeoutChanged(const QString& text)
{
    const double seconds = LeadingNumber(text.toStdString());
    ctx_.settings.timeout = seconds == 0.0 ? 1.0f : static_cast<float>(seconds);
}

void CSettingsMisc::OnGetLengthClicked(bool checked)
{
    // The VBR box keeps its check: it only does nothing while lengths are not measured.
    check(IdDetectVbr)->setEnabled(checked);
    ctx_.settings.skipTrackInfo = !checked;
}

void CSettingsMisc::WriteConfig(const char* key, const std::string& value) const
{
    ctx_.GameFiles().WriteCvar(kConfig, key, value, false);
}
