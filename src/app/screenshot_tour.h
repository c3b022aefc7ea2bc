#pragma once
#include <QString>

class QWidget;
class CMainDlg;

// Drives the running program through its windows and saves a PNG of each into a folder, then
// closes the main window with Escape so that shut-down saves exactly as for a user.
// It only drives the program; it changes nothing of what the program does.
class CReportListCtrl;

class ScreenshotTour {
public:
    explicit ScreenshotTour(QString folder) : folder_(std::move(folder)) {}
    // Call after CToolApp::Start(); schedules the tour on the event loop.
    void Begin();
    int saved() const { return saved_; }

private:
    void Shoot(QWidget* widget, const QString& name);
    void Run();
    void RefreshBrowser(CMainDlg* main);
    void SearchPlayers(CMainDlg* main);
    void ShootConsole(CMainDlg* main);
    void ShootBots(CMainDlg* main);
    void ShootPlaylist(CMainDlg* main);
    // The Servers list filtered, two joins and the Recent Servers menu, a hidden server in the
    // Options window; what the tour changed of the options is put back.
    void ShootBrowserChoices(CMainDlg* main);
    static void ClickFirstRow(CReportListCtrl* list);

    QString folder_;
    int saved_ = 0;
};
