#include "core/lcg.h"
#include "core/path.h"
#include "gamefiles/settings_loader.h"
#include "query/query_engine.h"
#include "server/create_server_dlg.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "test_support/widgets.h"
#include "test_support/work_dir.h"
#include "ui/file_notice.h"
#include "ui/page_context.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using Lines = std::vector<std::string>;

Lines Items(const QListWidget* list)
{
    Lines items;
    for (int i = 0; i < list->count(); ++i)
        items.push_back(list->item(i)->text().toStdString());
    return items;
}

// The page alone over a game in a fresh working folder whose client and server write down how
// they were started.
class CreateServerPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.workFolder = dir.Path();
        settings.SetGamePath(JoinPath(dir.File("game"), kClientExeName));
        settings.SetFirstRunDefaults();
        settings.ApplyDefaults();
        std::filesystem::create_directories(Mod("maps"));
        for (const char* program : {kClientExeName, kServerExeName}) {
            const std::string path = JoinPath(dir.File("game"), program);
            WriteText(path, std::string("#!/bin/sh\n{ echo \"") + program +
                                " $(pwd)\"; for a in \"$@\"; do echo \"[$a]\"; done; } > launch.tmp\nmv launch.tmp launch.txt\n");
            ::chmod(path.c_str(), 0755);
        }
    }

    void Build()
    {
        page = std::make_unique<CCreateServerDlg>(*context);
        page->show();
        loader.Start();
        ASSERT_TRUE(loader.WaitUntilIdle(5000));
    }

    std::string Mod(const std::string& file) const { return JoinPath(dir.File("game"), "znk", file); }
    void Click(int id) { QTest::mouseClick(FindById<QPushButton>(page.get(), id), Qt::LeftButton); }
    // On the box itself, where a user clicks (a wide check box takes no click past its text).
    static void Tick(QAbstractButton* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }
    void Choose(QComboBox* combo, int index)
    {
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index); // the user's confirmed choice
    }
    std::string Launched()
    {
        const std::string path = JoinPath(dir.File("game"), "launch.txt");
        if (!QTest::qWaitFor([&] { return FileExists(path); }, 5000))
            return "(nothing started)";
        const std::string text = ReadText(path);
        std::filesystem::remove(path);
        return text;
    }

    ScopedWorkDir dir;
    AppSettings settings;
    ServerStore store {dir.Path()};
    CQueryEngine engine {settings, store};
    CSettingsLoader loader {settings};
    QStringList messages;
    std::unique_ptr<PageContext> context = std::make_unique<PageContext>(PageContext {
        settings, store, engine, loader, [this](const QString&, const QString& text) { messages << text; }, {}});
    std::unique_ptr<CCreateServerDlg> page;
};

} // namespace

TEST_F(CreateServerPage, AFreshModShowsTheDefaultsAndWritesOnlyTheVariables)
{
    WriteText(Mod("game.cfg"), "// rules\r\n");
    WriteText(Mod("listenserver.cfg"), "mp_melee \"2.5\"\r\n");
    WriteText(Mod("server.cfg"), "hostname \"x\"\r\nsv_gravity \"600\"\r\n");
    std::filesystem::remove(Mod("game.cfg"));
    Build();
    for (int id : {1065, 1066, 1067})
        EXPECT_EQ(page->edit(id)->text(), "") << id;
    EXPECT_EQ(page->fallingDamage()->currentText(), "Realistic");
    EXPECT_EQ(page->gameMode()->currentText(), "Free Fighting");
    for (const auto& s : CCreateServerDlg::kSwitches)
        EXPECT_TRUE(page->check(s.id)->isChecked()) << s.label;
    // No game.cfg: nothing is made.
    EXPECT_FALSE(FileExists(Mod("game.cfg")));
    // The variables come from listenserver.cfg, or their defaults, and go to both files.
    EXPECT_EQ(page->edit(1096)->text(), "2.5");
    EXPECT_EQ(page->edit(1094)->text(), "800");
    const std::string listen = ReadText(Mod("listenserver.cfg"));
    EXPECT_EQ(listen, "mp_melee \"2.5\"\r\nmp_dbrespawntime \"30\"\r\nmp_laydowntime \"1.5\"\r\nmp_nomeleehittime \"2.0\"\r\n"
                      "mp_allowsensubeans \"1.0\"\r\nsv_gravity \"800\"\r\nsv_accelerate \"10\"");
    EXPECT_EQ(ReadText(Mod("server.cfg")), "hostname \"x\"\r\nsv_gravity \"800\"\r\nmp_melee \"2.5\"\r\nmp_dbrespawntime "
                                           "\"30\"\r\nmp_laydowntime \"1.5\"\r\nmp_nomeleehittime \"2.0\"\r\n"
                                           "mp_allowsensubeans \"1.0\"\r\nsv_accelerate \"10\"");
}

TEST_F(CreateServerPage, GameRulesShowWhatGameCfgSaysAndWriteOnChange)
{
    const std::string game = "\"mp_wishlimit\"\t\t\"5\"\r\n\"mp_fraglimit\"\t\t\"30\"\r\n\"mp_falldamage\"\t\t\"0\"\r\n"
                             "\"mp_gamemode\"\t\t\"7\"\r\n\"mp_footsteps\"\t\t\"0\"\r\n";
    WriteText(Mod("game.cfg"), game);
    Build();
    EXPECT_EQ(page->edit(1065)->text(), "5");
    EXPECT_EQ(page->edit(1066)->text(), "30");
    EXPECT_EQ(page->fallingDamage()->currentText(), "Normal");
    EXPECT_EQ(page->gameMode()->currentText(), "Free Fighting"); // 7 is no mode
    EXPECT_FALSE(page->check(1100)->isChecked());
    EXPECT_TRUE(page->check(1101)->isChecked());
    // The limits were written back (the absent time limit appended empty); the mode stays 7.
    EXPECT_EQ(ReadText(Mod("game.cfg")), "\"mp_wishlimit\"\t\t\"5\"\r\n\"mp_fraglimit\"\t\t\"30\"\r\n\"mp_falldamage\"\t\t\"0\"\r\n"
                                         "\"mp_gamemode\"\t\t\"7\"\r\n\"mp_footsteps\"\t\t\"0\"\r\n\"mp_timelimit\"\t\t\"\"");

    Choose(page->gameMode(), 2);
    page->fallingDamage()->setCurrentIndex(1); // moved by code, not chosen: nothing written
    Tick(page->check(1100));
    Tick(page->check(1104));
    page->edit(1067)->setText("25");
    const std::string now = ReadText(Mod("game.cfg"));
    EXPECT_NE(now.find("\"mp_gamemode\"\t\t\"2\""), std::string::npos);
    EXPECT_NE(now.find("\"mp_falldamage\"\t\t\"0\""), std::string::npos);
    EXPECT_NE(now.find("\"mp_footsteps\"\t\t\"1\""), std::string::npos) << now;
    EXPECT_NE(now.find("\"sv_sendvelocity\"\t\t\"0\""), std::string::npos);
    EXPECT_NE(now.find("\"mp_timelimit\"\t\t\"25\""), std::string::npos);
}

TEST_F(CreateServerPage, ServerSettingsGoToTheSettingsAsTyped)
{
    Build();
    QLineEdit* port = page->edit(1076);
    port->clear();
    std::vector<int> stored;
    QObject::connect(port, &QLineEdit::textChanged, [&] { stored.push_back(settings.port); });
    QTest::keyClicks(port, "27015");
    EXPECT_EQ(stored, (std::vector<int> {2, 27, 270, 2701, 27015}));
    QTest::keyClicks(page->edit(1073), "x"); // digits only
    page->edit(1073)->setText("12");
    EXPECT_EQ(settings.maxPlayers, 12);
    page->edit(1026)->setText("My Server");
    EXPECT_EQ(settings.serverName, "My Server");
    Tick(FindById<QRadioButton>(page.get(), 1070));
    EXPECT_FALSE(settings.lan);
    Tick(FindById<QRadioButton>(page.get(), 1069));
    EXPECT_TRUE(settings.lan);
    EXPECT_FALSE(FindById<QRadioButton>(page.get(), 1070)->isChecked());
    Tick(FindById<QCheckBox>(page.get(), 1068));
    EXPECT_TRUE(settings.dedicated);

    // A Default button: the field and both files.
    page->edit(1094)->setText("300");
    Click(1036);
    EXPECT_EQ(page->edit(1094)->text(), "800");
    EXPECT_EQ(ReadText(Mod("listenserver.cfg")), "");
}

TEST_F(CreateServerPage, MapsAndMapCycleEditing)
{
    for (const char* name : {"de_x.bsp", "de_x.BSP", "readme.txt", "ctf_y.bsp"})
        WriteText(Mod("maps/" + std::string(name)), "x");
    std::filesystem::create_directory(Mod("maps/old.bsp"));
    WriteText(Mod("mapcycle.txt"), "a\r\n\r\nb\r\n");
    Build();
    Lines maps = Items(page->maps());
    std::sort(maps.begin(), maps.end());
    EXPECT_EQ(maps, (Lines {"ctf_y", "de_x"}));
    EXPECT_EQ(page->maps()->currentRow(), 0);
    EXPECT_EQ(Items(page->mapCycle()), (Lines {"a", "", "b"}));

    // Add twice: two lines more.
    const std::string first = page->maps()->item(0)->text().toStdString();
    Click(1082);
    Click(1082);
    EXPECT_EQ(ReadText(Mod("mapcycle.txt")), "a\r\n\r\nb\r\n" + first + "\r\n" + first + "\r\n");
    EXPECT_EQ(page->mapCycle()->count(), 5);

    // Up on the first and Down on the last write nothing.
    WriteText(Mod("mapcycle.txt"), "untouched");
    page->mapCycle()->setCurrentRow(0);
    Click(1010);
    page->mapCycle()->setCurrentRow(4);
    Click(1011);
    Click(1085);
    EXPECT_EQ(ReadText(Mod("mapcycle.txt")), "untouched");
    // A move writes the whole cycle, the empty entry included, and keeps the entry selected.
    page->mapCycle()->setCurrentRow(2);
    Click(1008);
    EXPECT_EQ(ReadText(Mod("mapcycle.txt")), "b\r\na\r\n\r\n" + first + "\r\n" + first + "\r\n");
    EXPECT_EQ(page->mapCycle()->currentRow(), 0);
    page->mapCycle()->setCurrentRow(3);
    Click(1010);
    EXPECT_EQ(page->mapCycle()->currentRow(), 2);
    EXPECT_EQ(Items(page->mapCycle()), (Lines {"b", "a", first, "", first}));

    // Remove, Sort, Randomize, Clear.
    page->mapCycle()->setCurrentRow(3);
    Click(1013);
    EXPECT_EQ(page->mapCycle()->currentRow(), -1);
    Click(1013); // nothing selected
    EXPECT_EQ(Items(page->mapCycle()), (Lines {"b", "a", first, first}));
    page->mapCycle()->clear();
    for (const char* e : {"b", "A", "a2"})
        page->mapCycle()->addItem(e);
    for (int i = 0; i < 3; ++i)
        page->mapCycle()->item(i)->setData(Qt::UserRole, page->mapCycle()->item(i)->text().toUtf8());
    Click(1086);
    EXPECT_EQ(ReadText(Mod("mapcycle.txt")), "A\r\na2\r\nb\r\n");
    Lcg& random = ProgramRandom();
    const uint32_t saved = random.state;
    Click(1081);
    EXPECT_NE(random.state, saved); // drawn from the program's one sequence
    Lines shuffled = Items(page->mapCycle());
    std::sort(shuffled.begin(), shuffled.end());
    EXPECT_EQ(shuffled, (Lines {"A", "a2", "b"}));
    Click(1009);
    EXPECT_EQ(page->mapCycle()->count(), 0);
    EXPECT_EQ(ReadText(Mod("mapcycle.txt")), "");
}

TEST_F(CreateServerPage, CreateServerStartsTheRightProgramWithTheArguments)
{
    WriteText(Mod("maps/dm1.bsp"), "x");
    Build();
    settings.serverName = "Test";
    settings.port = 27015;
    settings.maxPlayers = 16;
    settings.lan = true;
    settings.console = false;
    Click(1071);
    EXPECT_EQ(Launched(), std::string(kClientExeName) + " " + dir.File("game") +
                              "\n[-game]\n[znk]\n[-port]\n[27015]\n[+sv_lan]\n[1]\n[+hostname]\n[Test]\n[+maxplayers]\n"
                              "[16]\n[+map]\n[dm1]\n[+exec]\n[listenserver.cfg]\n");

    settings.dedicated = true;
    settings.lan = false;
    page->edit(1072)->setText("secret");
    Click(1071);
    EXPECT_EQ(Launched(), std::string(kServerExeName) + " " + dir.File("game") +
                              "\n[-game]\n[znk]\n[-port]\n[27015]\n[+hostname]\n[Test]\n[+maxplayers]\n[16]\n[+map]\n"
                              "[dm1]\n[+exec]\n[server.cfg]\n[+sv_password]\n[secret]\n");
}

// Quotes and a trailing backslash stay inside their argument: they add no switch and swallow none.
TEST_F(CreateServerPage, UserValuesArriveAsOneArgumentEach)
{
    WriteText(Mod("maps/q\"uote.bsp"), "x");
    Build();
    settings.serverName = R"(My "Srv" +rcon_password "evil\)";
    settings.console = false;
    settings.lan = false;
    Click(1071);
    EXPECT_EQ(Launched(), std::string(kClientExeName) + " " + dir.File("game") + "\n[-game]\n[znk]\n[-port]\n[" +
                              std::to_string(settings.port) + "]\n[+hostname]\n[" + settings.serverName +
                              "]\n[+maxplayers]\n[" + std::to_string(settings.maxPlayers) +
                              "]\n[+map]\n[q\"uote]\n[+exec]\n[listenserver.cfg]\n");
}

TEST_F(CreateServerPage, WithoutMapsNothingStartsAndTheUserIsTold)
{
    Build();
    Click(1071);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("no maps"));
    QTest::qWait(300);
    EXPECT_FALSE(FileExists(JoinPath(dir.File("game"), "launch.txt")));
}

// An 8-bit map name goes into mapcycle.txt and onto the server's command line as the same bytes.
TEST_F(CreateServerPage, MapNamesKeepTheirBytes)
{
    WriteText(Mod("maps/caf\xE9.bsp"), "x");
    Build();
    ASSERT_EQ(page->maps()->count(), 1);
    EXPECT_EQ(page->maps()->item(0)->text(), QString::fromLatin1("caf\xE9"));
    Click(1083); // Add All
    Click(1082); // Add
    EXPECT_EQ(ReadText(Mod("mapcycle.txt")), "caf\xE9\r\ncaf\xE9\r\n");
    settings.console = false;
    Click(1071);
    EXPECT_NE(Launched().find("[+map]\n[caf\xE9]\n"), std::string::npos);
}

// Without listenserver.cfg the variables come from server.cfg, which keeps its values.
TEST_F(CreateServerPage, AMissingListenServerCfgLeavesServerCfgAlone)
{
    const std::string server = "mp_melee \"2.5\"\r\nsv_gravity \"600\"\r\nhostname \"Mine\"";
    WriteText(Mod("server.cfg"), server);
    WriteText(Mod("game.cfg"), "\"mp_fraglimit\"\t\t\"30\"");
    Build();
    EXPECT_EQ(page->edit(1096)->text(), "2.5");
    EXPECT_EQ(page->edit(1094)->text(), "600");
    EXPECT_EQ(page->edit(1090)->text(), "30"); // a default, appended
    EXPECT_EQ(ReadText(Mod("server.cfg")).substr(0, server.size()), server);
}

// A read-only map cycle: the list follows the buttons, the file stays, and the user hears it once.
TEST_F(CreateServerPage, AReadOnlyMapCycleIsToldOnce)
{
    WriteText(Mod("mapcycle.txt"), "dm1\r\ndm2\r\ndm3\r\n");
    ::chmod(Mod("mapcycle.txt").c_str(), 0444);
    CFileSaveNotice notice([this](const QString&, const QString& text) { messages << text; });
    context->fileSaved = [&notice](const std::string& path, bool saved) { notice.Report(path, saved); };
    Build();
    page->mapCycle()->setCurrentRow(0);
    Click(1013);
    page->mapCycle()->setCurrentRow(0);
    Click(1013);
    Click(1009);
    QTest::qWait(50);
    EXPECT_EQ(page->mapCycle()->count(), 0);
    EXPECT_EQ(ReadText(Mod("mapcycle.txt")), "dm1\r\ndm2\r\ndm3\r\n");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("mapcycle.txt") && messages[0].contains("read-only"));
    ::chmod(Mod("mapcycle.txt").c_str(), 0644);
}
