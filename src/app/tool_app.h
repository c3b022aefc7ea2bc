// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "settings/app_settings.h"
#include "settings/server_store.h"

#include "music/audio/audio_library.h"
#include "ui/page_context.h"

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMainDlg;
class CQueryEngine;
class CFileSaveNotice;
class CFriendAlerts;
class CRconConsoles;
class CSettingsLoader;

// The application object: owns the settings record and everything that lives until exit,
// runs start-up and shut-down. One instance, reached through theApp().
class CToolApp {
public:
    CToolApp();
    ~CToolApp();
    CToolApp(const CToolApp&) = delete;
    CToolApp& operator=(const CToolApp&) = delete;

    // Start-up up to showing the main window (not modal). False when the program is to end
    // (first run abandoned); exitCode() then tells with what status.
    bool Start();
    // Start() + the main window's modal loop + Shutdown(); what main() runs. Returns the exit code.
    int InitInstance();
    // Saves everything and frees what the subsystems registered. Safe to call once after Start().
    void Shutdown();

    // Saves znktool.conf, then the server lists and records. Timer 1 and shut-down call it.
    void SaveServers();
    // The program's own options file, beside znktool.conf.
    std::string OptionsPath() const;
    // The names of the files the program keeps in its working folder.
    static std::vector<std::string> OwnFiles();
    // False when the file could not be written.
    bool SaveOptions();

    // Ends the process at once with the given status (first run abandoned in a file dialog).
    // Tests replace it so that they keep running.
    std::function<void(int)> exitHandler;
    void ExitNow(int code);

    // One clear message for the user (a settings file that cannot be written, and the like).
    // Tests replace it to collect the messages instead of showing boxes.
    std::function<void(const QString& title, const QString& text)> messageHandler;
    void ShowMessage(const QString& title, const QString& text);

    // Shows the first-run finder; true when the user chose a game. Tests may replace it.
    std::function<bool()> firstRunHandler;

    // Where the audio library plays: the system's sound output. Tests that need no sound give a
    // silent one before Start().
    AudioOutput audioOutput = DefaultAudioOutput();

    AppSettings settings;
    ServerStore store;
    // The sockets and timers that talk to servers; exists from Start() until Shutdown().
    CQueryEngine* engine() const { return engine_.get(); }
    CMainDlg* mainWnd() const { return mainWnd_.get(); }
    int exitCode() const { return exitCode_; }
    // What the pages are given (valid from Start() until Shutdown()).
    const PageContext& pageContext() const { return *context_; }
    CRconConsoles* consoles() const { return consoles_.get(); }
    CSettingsLoader* loader() const { return loader_.get(); }
    CFriendAlerts* friendAlerts() const { return friendAlerts_.get(); }
    // Plays and measures MP3 files; closed as the program's last act.
    AudioLibrary* audio() const { return audio_.get(); }

private:
    bool RunFinder();
    // One message naming the files that could not be written and were not named before.
    void ReportUnwritable(bool settingsFailed, bool storeFailed);

    std::unique_ptr<AudioLibrary> audio_;
    std::unique_ptr<CQueryEngine> engine_;
    std::unique_ptr<CSettingsLoader> loader_;
    std::unique_ptr<PageContext> context_;
    // Tells once of a game file or playlist that a page could not save.
    std::unique_ptr<CFileSaveNotice> fileNotice_;
    // The remote consoles open; each closes on its own, the rest at exit.
    std::unique_ptr<CRconConsoles> consoles_;
    std::unique_ptr<CMainDlg> mainWnd_;
    std::unique_ptr<CFriendAlerts> friendAlerts_;
    int exitCode_ = 0;
    bool started_ = false;
    bool shutDown_ = false;
    bool settingsWriteReported_ = false;
    bool storeWriteReported_ = false;
};

// The one application object (created by main() or a test before anything else runs).
CToolApp& theApp();
