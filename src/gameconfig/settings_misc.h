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
    // ctx must outlive the page. The page gives the settings loader its steps (the mod list, the
    // options of config.cfg, the mod selected again at the end).
    explicit CSettingsMisc(const PageContext& ctx, QWidget* parent = nullptr);

    QCheckBox* check(int id) const;
    QLineEdit* edit(int id) const;
    QComboBox* fxQuality() const { return fxQuality_; }
    QComboBox* beamQuality() const { return beamQuality_; }
    QComboBox* mod() const { return mod_; }
    QComboBox* priority() const { return priority_; }
    QLineEdit* timeout() const { return timeout_; }

private:
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
