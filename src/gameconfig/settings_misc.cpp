// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconfig/settings_misc.h"

#include "gameconfig/model/client_options.h"
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

#include <array>

namespace {

// The fields of the options that are config.cfg text as typed, in the order of kClientTextKeys.
struct TextField {
    int id;
    const char* label;
};
constexpr std::array<TextField, kClientTextCount> kTextFields = {{{CSettingsMisc::IdFpsMax, "FPS Max"},
                                                                  {CSettingsMisc::IdNetGraph, "Net Graph"},
                                                                  {CSettingsMisc::IdSensitivity, "Sensitivity"},
                                                                  {CSettingsMisc::IdMp3Volume, "MP3 Volume"},
                                                                  {CSettingsMisc::IdDecalsLimit, "Mp. Decals Limit"}}};

const char* const kFxItems[kFxQualityCount] = {"High", "Medium", "Low", "No FX"};
const char* const kBeamItems[kBeamQualityCount] = {"Best", "High", "Medium", "Low", "Crappy"};
const char* const kPriorityItems[] = {"Low", "Below Normal", "Normal", "Above Normal", "High", "Real Time"};

QComboBox* MakeList(QWidget* parent, int id, const char* label, int x, int y, int labelW, int listW)
{
    Place(new QLabel(label, parent), x, y + 1, labelW, 10);
    return Place(SetControlId(new QComboBox(parent), id), x + labelW, y, listW, 13);
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

QCheckBox* CSettingsMisc::check(int id) const
{
    return FindControl<QCheckBox>(this, id);
}
QLineEdit* CSettingsMisc::edit(int id) const
{
    return FindControl<QLineEdit>(this, id);
}

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
    for (size_t i = 0; i < kTextFields.size(); ++i) {
        const int y = 77 + static_cast<int>(i) * 9;
        Place(new QLabel(kTextFields[i].label, this), 12, y + 1, 62, 9);
        Place(SetControlId(new QLineEdit(this), kTextFields[i].id), 76, y, 62, 9);
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
        WriteClientSwitch(ctx_.GameFiles(), ClientSwitch::DustTrails, on);
    });
    connect(check(IdRocks), &QCheckBox::clicked, this, [this, &s](bool on) {
        s.rocks3d = on;
        WriteClientSwitch(ctx_.GameFiles(), ClientSwitch::Rocks3d, on);
    });
    connect(check(IdHiModels), &QCheckBox::clicked, this,
            [this](bool on) { WriteClientSwitch(ctx_.GameFiles(), ClientSwitch::HiModels, on); });
    for (int i = 0; i < kClientTextCount; ++i)
        connect(edit(kTextFields[i].id), &QLineEdit::textChanged, this, [this, i, field = edit(kTextFields[i].id)] {
            WriteClientText(ctx_.GameFiles(), i, FieldBytes(field));
        });
    connect(fxQuality_, &QComboBox::activated, this,
            [this, &s](int index) { s.fxQuality = WriteFxQuality(ctx_.GameFiles(), index); });
    connect(beamQuality_, &QComboBox::activated, this,
            [this, &s](int index) { s.beamQuality = WriteBeamQuality(ctx_.GameFiles(), index); });
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
        return [this, mods = ListModFolders(in.settings.gameFolder), current = in.settings.modFolder] {
            const QSignalBlocker quiet(mod_);
            mod_->clear();
            for (const std::string& m : mods)
                mod_->addItem(QString::fromStdString(m));
            SelectMod(current);
        };
    });
    loader.AddStep(CSettingsLoader::MiscOptions, this, [this](LoaderInput& in) -> LoaderApply {
        // config.cfg is the loaded text already (the first step). What the settings hold and the
        // file lacks goes back into the file: to the files this run read, from the settings as
        // the run found them.
        return [this, v = ReadMiscOptionValues(in.files, in.settings), files = in.files.Writer()] {
            check(IdHiModels)->setChecked(v.hiModels);
            check(IdDustTrails)->setChecked(v.dustTrails);
            check(IdRocks)->setChecked(v.rocks3d);
            for (size_t i = 0; i < kTextFields.size(); ++i) {
                QLineEdit* field = edit(kTextFields[i].id);
                const QSignalBlocker quiet(field);
                SetFieldBytes(field, v.texts[i]);
            }
            fxQuality_->setCurrentIndex(v.fxPosition);
            beamQuality_->setCurrentIndex(v.beamPosition);
            // The edits write their text back, as typing would: a missing variable is appended.
            WriteMiscFill(files, v);
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
    ctx_.settings.timeout = TimeoutFromText(text.toStdString());
}

void CSettingsMisc::OnGetLengthClicked(bool checked)
{
    // The VBR box keeps its check: it only does nothing while lengths are not measured.
    check(IdDetectVbr)->setEnabled(checked);
    ctx_.settings.skipTrackInfo = !checked;
}
