// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_dlg.h"
#include "app/tool_app.h"
#include "core/file_io.h"
#include "core/path.h"
#include "settings/app_settings.h"
#include "test_support/work_dir.h"

#include <QString>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A znktool.conf of a game in the working folder, as an earlier run left it.
void WriteSettingsFile(const ScopedWorkDir& dir)
{
    AppSettings first;
    first.settingsPath = dir.File("znktool.conf");
    first.SetGamePath(dir.File("hl.sh"));
    first.Save(false);
}

} // namespace

TEST(ToolApp, UnwritableSettingsAreReportedOnceAndTheProgramGoesOn)
{
    ScopedWorkDir dir;
    WriteSettingsFile(dir);
    // A short file must be resized on load, which cannot happen either.
    auto b = ReadAllBytes(dir.File("znktool.conf"));
    b.resize(1420);
    WriteAllBytes(dir.File("znktool.conf"), b);
    ASSERT_EQ(::chmod(dir.File("znktool.conf").c_str(), 0444), 0);

    CToolApp app;
    QStringList messages;
    bool windowWasUp = false;
    app.messageHandler = [&](const QString&, const QString& text) {
        messages << text;
        windowWasUp = app.mainWnd() && app.mainWnd()->isVisible();
    };
    ASSERT_TRUE(app.Start());
    // Not before the main window: a box of its own would hold up the start.
    EXPECT_TRUE(messages.isEmpty());
    QTest::qWait(10);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(windowWasUp);
    app.SaveServers();
    app.SaveServers();
    app.Shutdown();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("znktool.conf"));
    EXPECT_EQ(ReadAllBytes(dir.File("znktool.conf")).size(), 1420u);
}

TEST(ToolApp, UnwritableServerFilesAreReportedOnceNotAtEverySave)
{
    ScopedWorkDir dir;
    WriteSettingsFile(dir);
    // What a read-only working folder does to a user (root writes there all the same, so the
    // files are made unwritable another way: folders stand in their place).
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("Servers.ini")));
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("ServersDB.ini")));

    CToolApp app;
    QStringList messages;
    app.messageHandler = [&](const QString&, const QString& text) { messages << text; };
    ASSERT_TRUE(app.Start());
    app.store.AddFavorite("1.2.3.4:27015", "n", "m", "1", "1/8");
    for (int i = 0; i < 3; ++i)
        app.SaveServers();
    app.Shutdown();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QString::fromStdString(dir.File("Servers.ini"))));
    EXPECT_TRUE(messages[0].contains("ServersDB.ini"));
    EXPECT_FALSE(messages[0].contains("znktool.conf")); // that one was written
}

TEST(ToolApp, UnreadableWorkingFolderRefusesToStart)
{
    ScopedWorkDir dir;
    const std::string gone = dir.File("gone");
    ASSERT_TRUE(std::filesystem::create_directory(gone));
    ASSERT_EQ(::chdir(gone.c_str()), 0);
    ASSERT_EQ(::rmdir(gone.c_str()), 0);

    CToolApp app;
    QStringList messages;
    app.messageHandler = [&](const QString&, const QString& text) { messages << text; };
    app.firstRunHandler = [] {
        ADD_FAILURE() << "the finder must not open";
        return false;
    };
    EXPECT_FALSE(app.Start());
    EXPECT_NE(app.exitCode(), 0);
    EXPECT_EQ(app.mainWnd(), nullptr);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("folder"));
    EXPECT_FALSE(FileExists("/znktool.conf"));
    EXPECT_FALSE(FileExists("/Servers.ini"));
}

TEST(ToolApp, AbandonedFirstRunEndsWithoutAWindow)
{
    ScopedWorkDir dir;
    CToolApp app;
    app.firstRunHandler = [] { return false; };
    EXPECT_FALSE(app.Start());
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_EQ(app.mainWnd(), nullptr);
    EXPECT_FALSE(FileExists(dir.File("znktool.conf")));
}

// A crash while Options.ini was rewritten in place (it is a link into a folder the user may not
// write, say) left its new text's start over the old tail, and the entry: the start makes the
// file whole before the options are read.
TEST(ToolApp, ARewriteCutShortIsCompletedBeforeTheFileIsRead)
{
    ScopedWorkDir dir;
    WriteSettingsFile(dir);
    const std::string options = dir.File(ToolOptions::kFileName);
    const std::string whole = "[Query]\r\nDialect=Classic\r\nQueriesAtOnce=17\r\nLanTargets=127.0.0.1\r\n";
    SetRewriteJournalFolder(dir.Path());
    ASSERT_FALSE(WriteRewriteJournal(options, whole).empty());
    SetRewriteJournalFolder("");
    WriteText(options, whole.substr(0, 30) + "iesAtOnce=3\r\nLanTargets=127.0.0.9\r\n");

    CToolApp app;
    app.messageHandler = [](const QString&, const QString& text) { ADD_FAILURE() << text.toStdString(); };
    ASSERT_TRUE(app.Start());
    EXPECT_EQ(app.settings.options.queriesAtOnce, 17);
    EXPECT_EQ(app.settings.options.lanTargets, std::vector<std::string>{"127.0.0.1"});
    app.Shutdown();
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().find(kRewriteJournalPrefix), std::string::npos);
}

TEST(ToolApp, AJoinWhoseRecentServersCannotBeWrittenIsToldOnce)
{
    ScopedWorkDir dir;
    WriteSettingsFile(dir);
    ASSERT_TRUE(std::filesystem::create_directory(dir.File(RecentServers::kFileName)));
    CToolApp app;
    QStringList messages;
    app.messageHandler = [&](const QString&, const QString& text) { messages << text; };
    ASSERT_TRUE(app.Start());
    EXPECT_FALSE(app.store.RememberJoin("127.0.0.1:27015", 1700000000));
    EXPECT_FALSE(app.store.RememberJoin("127.0.0.1:27016", 1700000001));
    QTest::qWait(10);
    app.Shutdown();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QString::fromStdString(dir.File(RecentServers::kFileName))));
}
