// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconfig/find_hl_dlg.h"

#include "core/path.h"
#include "settings/app_settings.h"
#include "test_support/widgets.h"
#include "test_support/work_dir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct Controls {
    QLabel* status;
    QListWidget* list;
    QPushButton* ok;
    QPushButton* browse;
};

Controls ControlsOf(QWidget& d)
{
    return {FindById<QLabel>(&d, CFindHLDlg::IdStatus), FindById<QListWidget>(&d, CFindHLDlg::IdFoundList),
            FindById<QPushButton>(&d, CFindHLDlg::IdOk), FindById<QPushButton>(&d, CFindHLDlg::IdBrowse)};
}

QPoint RowCenter(const QListWidget& list, int row)
{
    return list.visualItemRect(list.item(row)).center();
}

class FindHLDlgTest : public ::testing::Test {
protected:
    // Never the real disk: every test names its own roots.
    void SetUp() override
    {
        scanner.roots.clear();
        scanner.skipFolders.clear();
    }

    std::string At(const std::string& rel) const { return JoinPath(tmp.path().toStdString(), rel); }
    std::string MakeFile(const std::string& rel) const
    {
        for (size_t slash = rel.find('/'); slash != std::string::npos; slash = rel.find('/', slash + 1))
            ::mkdir(At(rel.substr(0, slash)).c_str(), 0755);
        std::ofstream(At(rel)) << "#!/bin/sh\n";
        return At(rel);
    }
    // A search that takes many seconds unless stopped: one small tree given as a root many times.
    void MakeLongSearch()
    {
        MakeFile("big/game/hl.sh");
        for (int i = 0; i < 20; ++i)
            MakeFile("big/d" + std::to_string(i) + "/x");
        scanner.roots.assign(200000, At("big"));
    }
    static bool WaitUntil(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 10000); }

    AppSettings settings;
    QTemporaryDir tmp;
    CFindHLThread scanner;
};

TEST_F(FindHLDlgTest, ListsTheCopiesRootByRootWithoutChoosingOne)
{
    // Named so that sorting would put the second root's copy first.
    const std::string first = MakeFile("zz_root1/Games/HalfLife/hl.sh");
    const std::string second = MakeFile("aa_root2/HL/hl.sh");
    MakeFile("aa_root2/Other/HL.SH");
    scanner.roots = {At("zz_root1"), At("missing"), At("aa_root2")};

    CFindHLDlg dlg(settings, scanner);
    const Controls c = ControlsOf(dlg);
    ASSERT_TRUE(c.status && c.list && c.ok && c.browse);
    EXPECT_EQ(dlg.objectName(), "CFindHLDlg");
    dlg.show();

    ASSERT_TRUE(WaitUntil([&] { return c.status->text() == "Done" && scanner.done.load(); }));
    ASSERT_EQ(c.list->count(), 2);
    EXPECT_EQ(c.list->item(0)->text().toStdString(), first);
    EXPECT_EQ(c.list->item(1)->text().toStdString(), second);
    EXPECT_TRUE(c.list->selectedItems().isEmpty());
    EXPECT_FALSE(c.ok->isEnabled());
}

TEST_F(FindHLDlgTest, StatusIsThrottledButNoCopyIsDropped)
{
    constexpr int kFolders = 300;
    for (int i = 0; i < kFolders; ++i)
        MakeFile("many/f" + std::to_string(i) + "/hl.sh");
    scanner.roots = {At("many")};
    CFindHLDlg owner(settings, scanner); // never shown: only gives the scan an owner to send to
    scanner.owner = &owner;
    std::atomic<int> statuses{0};
    std::atomic<int> found{0};
    QObject::connect(
        &scanner, &CFindHLThread::statusChanged, &scanner, [&] { ++statuses; }, Qt::DirectConnection);
    QObject::connect(
        &scanner, &CFindHLThread::executableFound, &scanner, [&] { ++found; }, Qt::DirectConnection);

    QElapsedTimer clock;
    clock.start();
    scanner.start();
    ASSERT_TRUE(scanner.wait(20000));

    EXPECT_EQ(found.load(), kFolders);
    // At most one folder per interval, the first one, and "Done".
    EXPECT_LE(statuses.load(), clock.elapsed() / CFindHLThread::kStatusIntervalMs + 2);
}

TEST_F(FindHLDlgTest, OkNeedsASelectionAndStoresTheSelectedCopy)
{
    MakeFile("r1/Games/HalfLife/hl.sh");
    MakeFile("r2/HL/hl.sh");
    scanner.roots = {At("r1"), At("r2")};
    CFindHLDlg dlg(settings, scanner);
    const Controls c = ControlsOf(dlg);
    dlg.show();
    ASSERT_TRUE(WaitUntil([&] { return c.list->count() == 2; }));

    QTest::mouseClick(c.ok, Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible());

    QTest::mouseClick(c.list->viewport(), Qt::LeftButton, {}, RowCenter(*c.list, 1));
    ASSERT_TRUE(c.ok->isEnabled());
    QTest::mouseClick(c.ok, Qt::LeftButton);

    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(settings.gameFolder, At("r2/HL"));
    EXPECT_EQ(settings.exeName, kClientExeName);
    EXPECT_EQ(settings.modFolder, "znk");
    EXPECT_EQ(settings.masterServer, AppSettings::kDefaultMasterServer);
    EXPECT_FLOAT_EQ(settings.timeout, 1.0f);
}

TEST_F(FindHLDlgTest, DoubleClickOnAnEntryConfirmsIt)
{
    MakeFile("r1/a/hl.sh");
    MakeFile("r2/b/hl.sh");
    scanner.roots = {At("r1"), At("r2")};
    CFindHLDlg dlg(settings, scanner);
    const Controls c = ControlsOf(dlg);
    dlg.show();
    ASSERT_TRUE(WaitUntil([&] { return c.list->count() == 2; }));

    // A real double click: press and release, then the double click.
    QTest::mouseClick(c.list->viewport(), Qt::LeftButton, {}, RowCenter(*c.list, 0));
    QTest::mouseDClick(c.list->viewport(), Qt::LeftButton, {}, RowCenter(*c.list, 0));

    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(settings.gameFolder, At("r1/a"));
}

TEST_F(FindHLDlgTest, BrowseClosesWithItsResultOnceAFileIsChosen)
{
    const std::string chosen = MakeFile("elsewhere/hl.sh");
    scanner.roots = {At("none")};
    std::vector<int> exits;
    settings.exitNow = [&](int code) { exits.push_back(code); };
    CFindHLDlg dlg(settings, scanner);
    dlg.show();
    QObject scope;
    WhenModalShows(scope, "BrowseForGame", [&](QWidget& w) {
        qobject_cast<QFileDialog*>(&w)->selectFile(QString::fromStdString(chosen));
        static_cast<QDialog&>(w).accept(); // QFileDialog's own accept() checks the file
    });

    QTest::mouseClick(ControlsOf(dlg).browse, Qt::LeftButton);

    EXPECT_TRUE(exits.empty());
    EXPECT_EQ(dlg.result(), CFindHLDlg::ResultBrowse);
    EXPECT_EQ(settings.gameFolder, At("elsewhere"));
}

TEST_F(FindHLDlgTest, EscapeCancelsAndTheScanOutlivesTheDialogUntilStopped)
{
    MakeLongSearch();
    {
        CFindHLDlg dlg(settings, scanner);
        const Controls c = ControlsOf(dlg);
        dlg.show();
        ASSERT_TRUE(WaitUntil([&] { return c.list->count() >= 1; }));
        QTest::keyClick(&dlg, Qt::Key_Escape);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), 0);
    }
    // Still sending with the dialog gone: nothing may reach it.
    QTest::qWait(100);
    ASSERT_FALSE(scanner.done.load());

    QElapsedTimer clock;
    clock.start();
    CFindHLDlg::StopAndWait(scanner);
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(scanner.done.load());
    EXPECT_FALSE(scanner.stopRequested.load());
    EXPECT_TRUE(settings.gameFolder.empty());
}

TEST_F(FindHLDlgTest, RunFirstRunFinderEndsTheScanBeforeReturning)
{
    MakeLongSearch();
    QObject scope;
    WhenModalShows(
        scope, "CFindHLDlg", [](QWidget& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](QWidget& d) { return ControlsOf(d).list->count() >= 1; });

    EXPECT_EQ(CFindHLDlg::RunFirstRunFinder(settings, scanner), 0);
    EXPECT_TRUE(scanner.done.load());
    EXPECT_FALSE(scanner.isRunning());

    // A scanner that never started must not be waited for.
    CFindHLThread idle;
    QElapsedTimer clock;
    clock.start();
    CFindHLDlg::StopAndWait(idle);
    EXPECT_LT(clock.elapsed(), 1000);
}

} // namespace
