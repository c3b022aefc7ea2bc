// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "rcon/model/console_history.h"

#include <QString>
#include <string>

class QWidget;
class CMainDlg;

// Drives the running program through its windows and saves a PNG of each into a folder, then
// closes the main window with Escape so that shut-down saves exactly as for a user.
// It only drives the program; it changes nothing of what the program does. It joins servers and
// logs into a remote console only on this machine (MayConnectTo); what it changes of the user's
// files is for its caller to put back after shut-down (see FileSnapshot).
class CReportListCtrl;

class ScreenshotTour {
public:
    explicit ScreenshotTour(QString folder) : folder_(std::move(folder)) {}
    // Call after CToolApp::Start(); schedules the tour on the event loop.
    void Begin();
    int saved() const { return saved_; }
    // Whether the tour may join the server at address or log into its console: only at a
    // loopback address (127.0.0.0/8), so that a tour in a user's folder starts no game on a real
    // server and sends no console password away from the machine.
    static bool MayConnectTo(const std::string& address);

private:
    void Shoot(QWidget* widget, const QString& name);
    void Run();
    void RefreshBrowser(CMainDlg* main);
    void SearchPlayers(CMainDlg* main);
    void ShootConsole(CMainDlg* main);
    void ShootBots(CMainDlg* main);
    void ShootPlaylist(CMainDlg* main);
    // The Servers list filtered, two joins and the Recent Servers menu, a hidden server in the
    // Options window; what the tour changed of the options in memory is put back.
    void ShootBrowserChoices(CMainDlg* main);
    static void ClickFirstRow(CReportListCtrl* list);
    static void ClickRow(CReportListCtrl* list, int row);

    QString folder_;
    int saved_ = 0;
    // The commands the unconnected console recalls; kept in memory only, never in the user's file.
    ConsoleHistory offlineHistory_;
};
