// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/restart_gate.h"
#include "gamefiles/model/cvar_file.h"
#include "settings/app_settings.h"

#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>
#include <memory>
#include <vector>

// What the loader's steps read on its thread: the settings as they were when the run started,
// and the mod's option files with a loaded text of this run's own. A step's result that writes
// takes files.Writer(), the same files without the loaded text: the text of a large config.cfg
// is held once, by the run, not once more by every result waiting in the window's queue.
struct LoaderInput {
    AppSettings settings;
    CvarFiles files;
};

// One step of the settings loader: it reads the game's files on the loader's thread (and must
// touch nothing else there), and gives back what the window thread then does with what it
// read: fill controls, write values back. Either part may be empty.
using LoaderApply = std::function<void()>;
using LoaderStep = std::function<LoaderApply(LoaderInput& input)>;

class CSettingsThread;

// Fills the pages from the game's files: at start-up, and again whenever the game location or
// the mod changes. The pages give it their steps, each under its number, so that a run reads
// in one fixed order whichever pages exist; what each step found reaches its page on the
// window thread, in the same order. One run at a time: a request while one runs makes exactly
// one more run follow it, so the pages always end up showing the game location asked for last.
class CSettingsLoader : public QObject {
    Q_OBJECT
public:
    // The steps in the order they run.
    enum Step {
        LoadConfigText = 1, // config.cfg becomes the loaded text
        ModList = 2,        // the mod folders of the game
        GameLocation = 3,   // the client's path
        PlayerName = 4,
        MiscOptions = 5, // the client options of config.cfg
        GameLibrary = 6, // liblist.gam's gamedll
        Binds = 7,
        CreateServer = 8, // maps, map cycle, game.cfg, server options
        SelectMod = 9,
        BotList = 10,
    };

    // settings is copied at the start of every run; it must outlive the loader.
    explicit CSettingsLoader(const AppSettings& settings, QObject* parent = nullptr);
    // Waits for a run still reading.
    ~CSettingsLoader() override;

    // Adds a step under its number; it runs with every later run while owner exists, and what
    // it gives back runs as long as owner does.
    void AddStep(int order, QObject* owner, LoaderStep step);

    // Given the option files of every run: told of each write a step's result makes.
    void SetWriteReport(CvarFiles::WriteReport report) { report_ = std::move(report); }

    // StartSettingsThread: starts a run, or, while one runs, asks for one more after it.
    void Start();
    // A run going, or one due to follow it.
    bool running() const { return gate_.running(); }
    // Waits (running the window's events) until no run is going or asked for; false on time-out.
    bool WaitUntilIdle(int timeoutMs);

Q_SIGNALS:
    // A run has ended: every step read and every page filled.
    void finished();

private:
    struct Entry {
        int order;
        QPointer<QObject> owner;
        LoaderStep step;
    };

    void Run();
    void OnRunEnded();

    const AppSettings& settings_;
    std::vector<Entry> steps_;
    RestartGate gate_;
    CSettingsThread* thread_ = nullptr;
    CvarFiles::WriteReport report_;
};

// The loader's thread: runs the steps of one run, in order, and hands what each found to the
// window thread.
class CSettingsThread : public QThread {
    Q_OBJECT
public:
    struct Work {
        int order;
        QPointer<QObject> owner;
        LoaderStep step;
    };
    CSettingsThread(LoaderInput input, std::vector<Work> work, QObject* receiver);

Q_SIGNALS:
    // After the last step's result was handed over (queued behind it).
    void runEnded();

protected:
    void run() override;

private:
    LoaderInput input_;
    std::vector<Work> work_;
    QObject* receiver_;
};
