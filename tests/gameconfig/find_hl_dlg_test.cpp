#include "gameconfig/find_hl_dlg.h"

#include "app/app_settings.h"
#include "app/tool_app.h"
#include "core/path.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct Controls {
    QLabel* status = nullptr;
    QListWidget* list = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* browse = nullptr;
};

Controls ControlsOf(QWidget& dialog)
{
    return {dialog.findChild<QLabel*>("id1118"), dialog.findChild<QListWidget*>("id1000"),
            dialog.findChild<QPushButton*>("id1"), dialog.findChild<QPushButton*>("id1167")};
}

QStringList Rows(const QListWidget& list)
{
    QStringList rows;
    for (int i = 0; i < list.count(); ++i)
        rows << list.item(i)->text();
    return rows;
}

QPoint CenterOf(const QListWidget& list, int row) { return list.visualItemRect(list.item(row)).center(); }

class FindHLDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp_.isValid());
        // Never the real disk: every test names its own roots.
        scanner.roots.clear();
        scanner.skipFolders.clear();
    }

    std::string At(const std::string& rel) const { return JoinPath(tmp_.path().toStdString(), rel); }

    // Creates the folders on the way and the file, returns its full path.
    std::string MakeFile(const std::string& rel) const
    {
        std::string sofar = tmp_.path().toStdString();
        size_t start = 0;
        for (size_t slash; (slash = rel.find('/', start)) != std::string::npos; start = slash + 1) {
            sofar = JoinPath(sofar, rel.substr(start, slash - start));
            ::mkdir(sofar.c_str(), 0755);
        }
        const std::string path = At(rel);
        std::ofstream(path) << "#!/bin/sh\n";
        return path;
    }

    // A search that takes seconds unless stopped: one small tree listed as a root many times.
    void MakeLongSearch()
    {
        MakeFile("big/game/hl.sh");
        for (int i = 0; i < 20; ++i)
            MakeFile("big/dir" + std::to_string(i) + "/file");
        scanner.roots.assign(200000, At("big"));
    }

    static bool WaitUntil(const std::function<bool()>& condition, int ms = 10000)
    {
        return QTest::qWaitFor(condition, ms);
    }

    CToolApp app;
    QTemporaryDir tmp_;
    CFindHLThread scanner;
};

// -- What the list shows ---------------------------------------------------------------------

TEST_F(FindHLDlgTest, ListsTheCopiesOfEachRootInRootOrderAndEndsWithDone)
{
    // Named so that sorting would put the second root's copy first.
    const std::string first = MakeFile("zz_root1/Games/HalfLife/hl.sh");
    const std::string second = MakeFile("aa_root2/HL/hl.sh");
    MakeFile("aa_root2/Other/HL.SH");
    MakeFile("aa_root2/Other/Hl.sh");
    scanner.roots = {At("zz_root1"), At("missing"), At("aa_root2")};

    CFindHLDlg dlg(scanner);
    const Controls c = ControlsOf(dlg);
    ASSERT_TRUE(c.status && c.list && c.ok && c.browse);
    EXPECT_EQ(dlg.objectName(), "CFindHLDlg");
    EXPECT_EQ(dlg.windowTitle(), "Please select your Half-Life executable");
    dlg.show();

    EXPECT_TRUE(WaitUntil([&] { return c.status->text() == "Done"; }));
    EXPECT_TRUE(WaitUntil([&] { return scanner.done.load(); }));
    EXPECT_EQ(Rows(*c.list), QStringList({QString::fromStdString(first), QString::fromStdString(second)}));
    // Found copies are offered, never chosen for the user.
    EXPECT_TRUE(c.list->selectedItems().isEmpty());
    EXPECT_FALSE(c.ok->isEnabled());
    EXPECT_TRUE(c.browse->isEnabled());
}

TEST_F(FindHLDlgTest, StatusAndFoundSignalsAreThrottledButNoCopyIsDropped)
{
    constexpr int kFolders = 1500;
    for (int i = 0; i < kFolders; ++i)
        MakeFile("many/f" + std::to_string(i) + "/hl.sh");
    scanner.roots = {At("many")};
    CFindHLDlg owner(scanner); // never shown: only gives the scanner an owner
    scanner.owner = &owner;
    std::atomic<int> statuses{0};
    std::atomic<int> found{0};
    QString last;
    QObject::connect(&scanner, &CFindHLThread::statusChanged, &scanner,
                     [&](const QString& text) { ++statuses; last = text; }, Qt::DirectConnection);
    QObject::connect(&scanner, &CFindHLThread::executableFound, &scanner, [&](const QByteArray&) { ++found; },
                     Qt::DirectConnection);

    QElapsedTimer clock;
    clock.start();
    scanner.start();
    ASSERT_TRUE(scanner.wait(20000));
    const qint64 elapsed = clock.elapsed();

    EXPECT_EQ(found.load(), kFolders);
    EXPECT_EQ(last, "Done");
    // One folder name per interval at most, plus the first one and "Done".
    EXPECT_LE(statuses.load(), elapsed / CFindHLThread::kStatusIntervalMs + 2);
    EXPECT_LT(statuses.load(), kFolders);
}

// -- Choosing a copy -------------------------------------------------------------------------

TEST_F(FindHLDlgTest, OkIsEnabledBySelectingAndStoresTheSelectedCopy)
{
    MakeFile("r1/Games/HalfLife/hl.sh");
    MakeFile("r2/HL/hl.sh");
    scanner.roots = {At("r1"), At("r2")};
    app.settings.modFolder.clear();
    app.settings.masterServer.clear();
    app.settings.timeout = 0.0f;

    CFindHLDlg dlg(scanner);
    const Controls c = ControlsOf(dlg);
    dlg.show();
    ASSERT_TRUE(WaitUntil([&] { return c.status->text() == "Done"; }));
    ASSERT_EQ(c.list->count(), 2);

    // A click on the disabled Ok does nothing.
    QTest::mouseClick(c.ok, Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(app.settings.gameFolder.empty());

    QTest::mouseClick(c.list->viewport(), Qt::LeftButton, {}, CenterOf(*c.list, 1));
    ASSERT_TRUE(c.ok->isEnabled());
    QTest::mouseClick(c.ok, Qt::LeftButton);

    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), CFindHLDlg::ResultOk);
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(app.settings.gameFolder, At("r2/HL"));
    EXPECT_EQ(app.settings.exeName, kClientExeName);
    EXPECT_EQ(app.settings.modFolder, "znk");
    EXPECT_EQ(app.settings.masterServer, AppSettings::kDefaultMasterServer);
    EXPECT_FLOAT_EQ(app.settings.timeout, 1.0f);
}

TEST_F(FindHLDlgTest, DoubleClickOnAnEntryConfirmsIt)
{
    MakeFile("r1/a/hl.sh");
    MakeFile("r2/b/hl.sh");
    scanner.roots = {At("r1"), At("r2")};

    CFindHLDlg dlg(scanner);
    const Controls c = ControlsOf(dlg);
    dlg.show();
    ASSERT_TRUE(WaitUntil([&] { return c.list->count() == 2; }));

    QTest::mouseDClick(c.list->viewport(), Qt::LeftButton, {}, CenterOf(*c.list, 0));

    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), CFindHLDlg::ResultOk);
    EXPECT_EQ(app.settings.gameFolder, At("r1/a"));
    EXPECT_EQ(app.settings.modFolder, "znk");
}

TEST_F(FindHLDlgTest, ConfirmWithoutSelectionKeepsTheDialogOpen)
{
    MakeFile("r1/a/hl.sh");
    scanner.roots = {At("r1")};

    CFindHLDlg dlg(scanner);
    const Controls c = ControlsOf(dlg);
    dlg.show();
    ASSERT_TRUE(WaitUntil([&] { return c.list->count() == 1; }));

    dlg.ConfirmFoundExecutable();

    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(app.settings.gameFolder.empty());
    EXPECT_TRUE(app.settings.exeName.empty());
}

// -- Cancelling and stopping -----------------------------------------------------------------

TEST_F(FindHLDlgTest, EscapeDuringTheSearchCancelsAndTheScanStopsQuickly)
{
    MakeLongSearch();

    QElapsedTimer clock;
    {
        CFindHLDlg dlg(scanner);
        const Controls c = ControlsOf(dlg);
        dlg.show();
        ASSERT_TRUE(WaitUntil([&] { return c.list->count() >= 1; }));
        ASSERT_TRUE(scanner.isRunning());

        QTest::keyClick(&dlg, Qt::Key_Escape);

        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), CFindHLDlg::ResultCancel);
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
        EXPECT_TRUE(app.settings.gameFolder.empty());
    }
    // The dialog is gone while the scan still sends: nothing may reach it.
    QTest::qWait(100);
    EXPECT_FALSE(scanner.done.load());

    clock.start();
    CFindHLDlg::StopAndWait(scanner);

    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(scanner.done.load());
    EXPECT_FALSE(scanner.stopRequested.load()); // the scan clears its stop request
    EXPECT_FALSE(scanner.isRunning());
}

TEST_F(FindHLDlgTest, StopAndWaitReturnsForAScannerThatNeverStarted)
{
    QElapsedTimer clock;
    clock.start();
    CFindHLDlg::StopAndWait(scanner);
    EXPECT_LT(clock.elapsed(), 1000);
}

// -- The start-up helper ---------------------------------------------------------------------

// Runs action on the modal finder once it is up and condition holds. The polling ends with
// scope, so a test that fails cannot leave it running into the next one.
void WhenFinderShows(QObject& scope, const std::function<bool(QWidget&)>& condition,
                     const std::function<void(QWidget&)>& action)
{
    auto* poll = new QTimer(&scope);
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != "CFindHLDlg" || !condition(*modal))
            return;
        poll->stop();
        action(*modal);
    });
    poll->start(10);
}

TEST_F(FindHLDlgTest, RunFirstRunFinderReturnsCancelOnEscapeWithTheScanEnded)
{
    MakeLongSearch();
    QObject scope;
    WhenFinderShows(scope, [](QWidget& d) { return ControlsOf(d).list->count() >= 1; },
                    [](QWidget& d) { QTest::keyClick(&d, Qt::Key_Escape); });

    QElapsedTimer clock;
    clock.start();
    const int result = CFindHLDlg::RunFirstRunFinder(scanner);

    EXPECT_EQ(result, CFindHLDlg::ResultCancel);
    EXPECT_TRUE(scanner.done.load());
    EXPECT_FALSE(scanner.isRunning());
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(app.settings.gameFolder.empty());
}

TEST_F(FindHLDlgTest, RunFirstRunFinderReturnsOkWithTheChosenCopy)
{
    MakeLongSearch();
    QObject scope;
    WhenFinderShows(scope, [](QWidget& d) { return ControlsOf(d).list->count() >= 2; },
                    [](QWidget& d) {
                        const Controls c = ControlsOf(d);
                        c.list->setCurrentRow(1);
                        QTest::mouseClick(c.ok, Qt::LeftButton);
                    });

    const int result = CFindHLDlg::RunFirstRunFinder(scanner);

    EXPECT_EQ(result, CFindHLDlg::ResultOk);
    EXPECT_EQ(app.settings.gameFolder, At("big/game"));
    EXPECT_EQ(app.settings.exeName, kClientExeName);
    EXPECT_TRUE(scanner.done.load());
    EXPECT_FALSE(scanner.isRunning());
}

} // namespace
