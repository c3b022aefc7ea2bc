// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ui/page_context.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;

// The settings window's "Misc." page: the client's visual options (config.cfg), the launch
// switches, the game's process priority, the mod folder, the query time-out and the playlist's
// measuring options. Every change is written the moment it is made.
class CSettingsMisc : public QWidget {
    Q_OBJECT
public:
    // Controls; their objectName is "id" + the number.
    enum ControlId {
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
        // config.cfg's text options, in the order of kClientTextKeys.
        IdFpsMax = 1134,
        IdNetGraph = 1135,
        IdSensitivity = 1136,
        IdMp3Volume = 1137,
        IdDecalsLimit = 1138,
    };

    // ctx must outlive the page. The page gives the settings loader its steps (the mod list, the
    // options of config.cfg, the mod selected again at the end).
    explicit CSettingsMisc(const PageContext& ctx, QWidget* parent = nullptr);

private:
    QLineEdit* edit(int id) const;
    QCheckBox* check(int id) const;
    void CreateWidgets();
    void ConnectWidgets();
    void LoadControls();
    void AddLoaderSteps();

    void SelectMod(const std::string& folder);
    void OnModChosen(int index);
    void OnTimeoutChanged(const QString& text);
    void OnGetLengthClicked(bool checked);

    const PageContext& ctx_;
    QComboBox* fxQuality_ = nullptr;
    QComboBox* beamQuality_ = nullptr;
    QComboBox* mod_ = nullptr;
    QComboBox* priority_ = nullptr;
    QLineEdit* timeout_ = nullptr;
};
