// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QThread>
#include <atomic>
#include <string>
#include <vector>

struct AppSettings;

class CFindHLDlg;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QShowEvent;

// The first-run finder's worker: a QThread subclass whose run() scans the roots in order for
// the game's client executable (kClientExeName), see CHLScanner for the rules.
// It never touches a widget. Everything it has to show goes out as signals that the dialog
// receives queued on the window thread; the connections end with the dialog, so the scan may
// go on (and finish) after the dialog has closed.
class CFindHLThread : public QThread {
    Q_OBJECT
public:
    // Minimum time between two folder names sent while searching.
    static constexpr int kStatusIntervalMs = 30;

    explicit CFindHLThread(QObject* parent = nullptr);
    // Requests a stop and waits: a QThread must not be destroyed while it runs.
    ~CFindHLThread() override;

    // The dialog shown for this scan; not owned. Nothing is sent while it is gone.
    QPointer<CFindHLDlg> owner;
    // Set by any thread to end the scan early; the scan clears it when it ends.
    std::atomic<bool> stopRequested{false};
    // Set when the scan has ended (completed or stopped).
    std::atomic<bool> done{false};
    // Searched in order; platform::DriveRoots() unless set before start().
    std::vector<std::string> roots;
    // Never entered below a root; platform::ScanSkipFolders() unless set before start().
    std::vector<std::string> skipFolders;

Q_SIGNALS:
    // Empty the found list (a new scan begins).
    void clearFound();
    // Text for the status line: the folder being searched (throttled), finally "Done".
    void statusChanged(const QString& text);
    // One copy of the executable: its path exactly as the file system gave it.
    void executableFound(const QByteArray& path);

protected:
    void run() override;
};

// "Please select your Half-Life executable": lists every copy of the game's client executable
// that the scanner finds and lets the user pick one, or browse for it by hand.
class CFindHLDlg : public QDialog {
    Q_OBJECT
public:
    // What exec() returns. Escape and the close box reject the dialog (QDialog::Rejected).
    enum Result {
        ResultCancel = QDialog::Rejected, // 0: nothing chosen, the program is to end
        ResultOk = 1,                     // a found copy was chosen (settings updated)
        ResultBrowse = 1167,              // a file was chosen by hand (settings updated)
    };
    // Controls; their objectName is "id" + the number.
    enum ControlId {
        IdOk = 1,
        IdFoundList = 1000,
        IdStatus = 1118,
        IdBrowse = 1167,
    };

    // The chosen game goes into settings. The scanner must outlive the dialog; it is started
    // when the dialog is first shown.
    CFindHLDlg(AppSettings& settings, CFindHLThread& scanner, QWidget* parent = nullptr);
    ~CFindHLDlg() override;

    // What start-up runs on a first run: shows the dialog modally over a scan of the whole
    // disk, then stops the scan and waits for it whatever the result. Returns a Result.
    static int RunFirstRunFinder(AppSettings& settings);
    // The same with a prepared scanner (own roots).
    static int RunFirstRunFinder(AppSettings& settings, CFindHLThread& scanner);
    // Requests a stop, polls every 50 ms until the scan reports it has ended, then joins it.
    static void StopAndWait(CFindHLThread& scanner);

    // Ok: the selected copy becomes the game, with the first-run defaults; closes with
    // ResultOk. Does nothing while no entry is selected.
    void ConfirmFoundExecutable();
    // Browse: the file dialog for the game; closes with ResultBrowse once a game is set.
    void BrowseForExecutable();

protected:
    void showEvent(QShowEvent* event) override;

private Q_SLOTS:
    void OnClearFound();
    void OnStatusChanged(const QString& text);
    void OnExecutableFound(const QByteArray& path);
    void OnSelectionChanged();
    void OnItemDoubleClicked(QListWidgetItem* item);

private:
    void CreateWidgets();
    void ConnectWidgets();
    void InitDialog();

    AppSettings& settings_;
    CFindHLThread& scanner_;
    bool initialized_ = false;
    QLabel* status_ = nullptr;
    QListWidget* found_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* browse_ = nullptr;
};
