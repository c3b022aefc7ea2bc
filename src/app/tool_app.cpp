// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/tool_app.h"

#include "app/app_identity.h"
#include "app/main_dlg.h"
#include "core/file_io.h"
#include "core/path.h"
#include "gameconfig/find_hl_dlg.h"
#include "gamefiles/model/cvar_file.h"
#include "gamefiles/settings_loader.h"
#include "music/audio/audio_library.h"
#include "music/playlist_editor_dlg.h"
#include "platform/platform.h"
#include "query/query_engine.h"
#include "rcon/rcon_consoles.h"
#include "services/file_notice.h"
#include "services/friend_alerts.h"

#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <cstdlib>

namespace {
CToolApp* g_app = nullptr;
}

CToolApp& theApp()
{
    return *g_app;
}

CToolApp::CToolApp()
{
    g_app = this;
    settings.exitNow = [this](int code) { ExitNow(code); };
    settings.gameLocationChanged = [this] {
        if (!mainWnd_)
            return;
        mainWnd_->ReloadLogo();
        // Another game or mod: what a killed save left among its files goes before the pages
        // write to them.
        RemoveStaleGameTempFiles(JoinPath(settings.gameFolder, settings.modFolder));
        loader_->Start();
        mainWnd_->playlistEditor()->ReloadPlaylistAfterChange();
    };
}

CToolApp::~CToolApp()
{
    consoles_.reset();
    friendAlerts_.reset();
    mainWnd_.reset();
    context_.reset();
    store.joinSaved = nullptr;
    fileNotice_.reset();
    loader_.reset();
    engine_.reset();
    audio_.reset();
    if (g_app == this)
        g_app = nullptr;
}

void CToolApp::ExitNow(int code)
{
    exitCode_ = code;
    if (exitHandler)
        exitHandler(code);
    else
        std::exit(code);
}

void CToolApp::ShowMessage(const QString& title, const QString& text)
{
    if (messageHandler)
        messageHandler(title, text);
    else
        QMessageBox::warning(mainWnd_.get(), title, text);
}

bool CToolApp::RunFinder()
{
    if (firstRunHandler)
        return firstRunHandler();
    const int result = CFindHLDlg::RunFirstRunFinder(settings);
    return result == CFindHLDlg::ResultOk || result == CFindHLDlg::ResultBrowse;
}

void CToolApp::ReportUnwritable(bool settingsFailed, bool storeFailed)
{
    // Each file is named once a run: the timer would otherwise say it every 15 seconds.
    QStringList files;
    if (settingsFailed && !settingsWriteReported_) {
        settingsWriteReported_ = true;
        files << QString::fromStdString(settings.settingsPath);
    }
    if (storeFailed && !storeWriteReported_) {
        storeWriteReported_ = true;
        for (const char* name : {ServerStore::kServersFile, ServerStore::kRecordsFile})
            files << QString::fromStdString(JoinPath(store.workFolder(), name));
    }
    if (files.isEmpty())
        return;
    ShowMessage("ZNK Tool", QString("ZNK Tool cannot write\n%1\nIt goes on with what it holds in memory; changes "
                                    "made in this session will not be kept.")
                                .arg(files.join('\n')));
}

bool CToolApp::Start()
{
    if (started_)
        return mainWnd_ != nullptr;
    started_ = true;
    platform::RaiseOpenFileLimit();
    if (const std::string folder = platform::CurrentDirectory(); !folder.empty()) {
        // A file rewritten in place when a crash came is made whole before anything reads it
        // (the program's own files through a link, the game's files).
        SetRewriteJournalFolder(folder);
        CompleteInterruptedRewrites(folder);
        // What a save cut short by a crash or a kill left behind, before anything writes again.
        RemoveStaleTempFiles(folder, OwnFiles());
    }

    const AppSettings::LoadResult loaded = settings.Load([this] { return RunFinder(); });
    if (loaded == AppSettings::LoadResult::NoWorkFolder) {
        ShowMessage("ZNK Tool", "ZNK Tool cannot tell which folder it was started in (the current folder may "
                                "have been removed), so it does not know where its files are. Start it again "
                                "from an existing folder.");
        exitCode_ = 1;
        return false;
    }
    if (loaded == AppSettings::LoadResult::Abandoned) {
        exitCode_ = 0;
        return false;
    }
    QString settingsProblem;
    if (settings.lastSaveFailed && !settingsWriteReported_) {
        settingsWriteReported_ = true;
        settingsProblem =
            QString("The settings file\n%1\ncannot be %2. ZNK Tool goes on with the settings in "
                    "memory; changes made in this session will not be kept.")
                .arg(QString::fromStdString(settings.settingsPath), settings.unreadable ? "read" : "written");
    }

    if (!settings.options.Load(OptionsPath()))
        settingsProblem += QString("%1The options file\n%2\ncannot be read. ZNK Tool goes on with the default options.")
                               .arg(settingsProblem.isEmpty() ? "" : "\n\n", QString::fromStdString(OptionsPath()));

    // The stores are loaded before the window is built: its pages show them from the start.
    store.SetWorkFolder(settings.workFolder);
    store.Load();
    engine_ = std::make_unique<CQueryEngine>(settings, store);
    consoles_ = std::make_unique<CRconConsoles>(JoinPath(settings.workFolder, ConsoleHistory::kFileName),
                                                [this] { return settings.TimeoutMs(); });
    loader_ = std::make_unique<CSettingsLoader>(settings);
    audio_ = std::make_unique<AudioLibrary>(audioOutput);
    fileNotice_ = std::make_unique<CFileSaveNotice>(
        [this](const QString& title, const QString& text) { ShowMessage(title, text); });
    const auto fileSaved = [notice = fileNotice_.get()](const std::string& path, bool saved) {
        notice->Report(path, saved);
    };
    loader_->SetWriteReport(fileSaved);
    store.joinSaved = fileSaved;
    context_ = std::make_unique<PageContext>(PageContext{
        settings, store, *engine_, *loader_,
        [this](const QString& title, const QString& text) { ShowMessage(title, text); },
        [this](const std::string& address) { consoles_->Open(address, mainWnd_.get()); }, audio_.get(), fileSaved});
    context_->playersHeard = [this](const std::string& address, const std::vector<std::string>& names) {
        if (friendAlerts_)
            friendAlerts_->Heard(address, names);
    };
    context_->saveOptions = [this] { SaveOptions(); };
    // The game's files are rewritten from the first fill of the pages on.
    RemoveStaleGameTempFiles(JoinPath(settings.gameFolder, settings.modFolder));

    mainWnd_ = std::make_unique<CMainDlg>(*context_);
    friendAlerts_ = std::make_unique<CFriendAlerts>(
        store, [this](const QString& text, int ms) { mainWnd_->ShowStatus(text, ms); }, AppIcon());

    mainWnd_->show();
    // Every page exists now: the loader may fill them all.
    loader_->Start();
    // Said over the main window once its loop runs: a box before it would stand alone on the
    // screen, and would hold up a start that no one answers.
    if (!settingsProblem.isEmpty())
        QTimer::singleShot(0, mainWnd_.get(), [this, settingsProblem] { ShowMessage("ZNK Tool", settingsProblem); });
    return true;
}

int CToolApp::InitInstance()
{
    if (!Start())
        return exitCode_;
    mainWnd_->exec();
    Shutdown();
    return exitCode_;
}

void CToolApp::SaveServers()
{
    settings.Save(false);
    // An unwritable server file is left as it was; the lists stay in memory for the next try.
    const bool storeSaved = store.Save();
    SaveOptions();
    ReportUnwritable(settings.lastSaveFailed, !storeSaved);
}

std::vector<std::string> CToolApp::OwnFiles()
{
    return {AppSettings::kFileName, ServerStore::kServersFile, ServerStore::kRecordsFile,   RecentServers::kFileName,
            ToolOptions::kFileName, ServerStore::kFriendsFile, platform::kRegistryFileName, ConsoleHistory::kFileName};
}

std::string CToolApp::OptionsPath() const
{
    return JoinPath(settings.workFolder, ToolOptions::kFileName);
}

bool CToolApp::SaveOptions()
{
    // Written once there is something of the user's to keep: a first start leaves no file.
    if (!FileExists(OptionsPath()) && settings.options == ToolOptions())
        return true;
    return settings.options.Save(OptionsPath(), store.FavoriteAddresses());
}

void CToolApp::Shutdown()
{
    if (!started_ || shutDown_ || !mainWnd_)
        return;
    shutDown_ = true;
    mainWnd_->saveTimer()->stop();
    SaveServers();
    engine_->CloseAll();
    consoles_->CloseAll();
    loader_->WaitUntilIdle(5000);
    friendAlerts_.reset();
    mainWnd_.reset();
    context_.reset();
    store.joinSaved = nullptr;
    fileNotice_.reset();
    loader_.reset();
    engine_.reset();
    store.Clear();
    // Every stream still open (the player's, a tag viewer's) goes with the library, last.
    audio_->Close();
}
