#include "app/tool_app.h"

#include "app/main_dlg.h"
#include "gameconfig/find_hl_dlg.h"
#include "platform/platform.h"
#include "query/query_engine.h"

#include <QMessageBox>
#include <QTimer>
#include <cstdlib>

namespace {
CToolApp* g_app = nullptr;
}

CToolApp& theApp() { return *g_app; }
bool HasApp() { return g_app != nullptr; }

CToolApp::CToolApp() { g_app = this; }

CToolApp::~CToolApp()
{
    mainWnd_.reset();
    engine_.reset();
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
    const int result = CFindHLDlg::RunFirstRunFinder();
    return result == CFindHLDlg::ResultOk || result == CFindHLDlg::ResultBrowse;
}

void CToolApp::SaveSettingsReporting()
{
    settings.Save(false);
    if (settings.lastSaveFailed && !writeFailureReported_) {
        // Said once: the timer would otherwise repeat it every 15 seconds.
        writeFailureReported_ = true;
        ShowMessage("ZNK Tool",
                    QString("The settings file\n%1\ncannot be written. ZNK Tool goes on with the settings in "
                            "memory; changes made in this session will not be kept.")
                        .arg(QString::fromStdString(settings.settingsPath)));
    }
}

bool CToolApp::Start()
{
    if (started_)
        return mainWnd_ != nullptr;
    started_ = true;
    platform::RaiseOpenFileLimit();

    const AppSettings::LoadResult loaded = settings.Load([this] { return RunFinder(); });
    if (loaded == AppSettings::LoadResult::Abandoned) {
        exitCode_ = 0;
        return false;
    }
    if (settings.lastSaveFailed && !writeFailureReported_) {
        writeFailureReported_ = true;
        ShowMessage("ZNK Tool",
                    QString("The settings file\n%1\ncannot be %2. ZNK Tool goes on with the settings in memory; "
                            "changes made in this session will not be kept.")
                        .arg(QString::fromStdString(settings.settingsPath),
                             settings.unreadable ? "read" : "written"));
    }

    // The stores are loaded before the window is built: its pages show them from the start.
    store.SetWorkFolder(settings.workFolder);
    store.Load();
    store.LoadFriends();
    engine_ = std::make_unique<CQueryEngine>(settings, store);

    mainWnd_ = std::make_unique<CMainDlg>();

    mainWnd_->show();
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
    SaveSettingsReporting();
    // An unwritable server file is left as it was; the lists stay in memory for the next try.
    store.Save();
}

void CToolApp::Shutdown()
{
    if (!started_ || shutDown_ || !mainWnd_)
        return;
    shutDown_ = true;
    mainWnd_->saveTimer()->stop();
    SaveServers();
    engine_->CloseAll();
    mainWnd_.reset();
    engine_.reset();
    store.Clear();
}
