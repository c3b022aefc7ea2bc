// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/lcg.h"
#include "core/path.h"
#include "server/create_server_dlg.h"
#include "services/file_notice.h"
#include "test_support/page_parts.h"
#include "test_support/widgets.h"

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
using Page = CCreateServerDlg;

// The page alone over a game in a fresh working folder whose client and server write down how
// they were started.
class CreateServerPage : public ::testing::Test, protected PageParts {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(Mod("maps"));
        for (const char* program : {kClientExeName, kServerExeName}) {
            const std::string path = JoinPath(dir.File("game"), program);
            WriteText(
                path,
                std::string("#!/bin/sh\n{ echo \"") + program +
                    " $(pwd)\"; for a in \"$@\"; do echo \"[$a]\"; done; } > launch.tmp\nmv launch.tmp launch.txt\n");
            ::chmod(path.c_str(), 0755);
        }
    }

    void Build()
    {
        page = std::make_unique<CCreateServerDlg>(context);
        page->show();
        loader.Start();
        ASSERT_TRUE(loader.WaitUntilIdle(5000));
    }

    void Click(int id) { ::Click(page.get(), id); }
    QLineEdit* Edit(int id) const { return FindById<QLineEdit>(page.get(), id); }
    QCheckBox* Check(int id) const { return FindById<QCheckBox>(page.get(), id); }
    QComboBox* Combo(int id) const { return FindById<QComboBox>(page.get(), id); }
    QListWidget* Maps() const { return FindById<QListWidget>(page.get(), Page::IdMaps); }
    QListWidget* Cycle() const { return FindById<QListWidget>(page.get(), Page::IdMapCycle); }
    std::string Launched()
    {
        const std::string path = JoinPath(dir.File("game"), "launch.txt");
        if (!QTest::qWaitFor([&] { return FileExists(path); }, 5000))
            return "(nothing started)";
        const std::string text = ReadText(path);
        std::filesystem::remove(path);
        return text;
    }

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
    for (int id : {Page::IdWishLimit, Page::IdFragLimit, Page::IdTimeLimit})
        EXPECT_EQ(Edit(id)->text(), "") << id;
    EXPECT_EQ(Combo(Page::IdFallingDamage)->currentText(), "Realistic");
    EXPECT_EQ(Combo(Page::IdGameMode)->currentText(), "Free Fighting");
    for (const auto& s : CCreateServerDlg::kSwitches)
        EXPECT_TRUE(Check(s.id)->isChecked()) << s.label;
    // No game.cfg: nothing is made.
    EXPECT_FALSE(FileExists(Mod("game.cfg")));
    // The variables come from listenserver.cfg, or their defaults, and go to both files.
    EXPECT_EQ(Edit(Page::IdMelee)->text(), "2.5");
    EXPECT_EQ(Edit(Page::IdGravity)->text(), "800");
    const std::string listen = ReadText(Mod("listenserver.cfg"));
    EXPECT_EQ(listen,
              "mp_melee \"2.5\"\r\nmp_dbrespawntime \"30\"\r\nmp_laydowntime \"1.5\"\r\nmp_nomeleehittime \"2.0\"\r\n"
              "mp_allowsensubeans \"1.0\"\r\nsv_gravity \"800\"\r\nsv_accelerate \"10\"");
    EXPECT_EQ(ReadText(Mod("server.cfg")),
              "hostname \"x\"\r\nsv_gravity \"800\"\r\nmp_melee \"2.5\"\r\nmp_dbrespawntime "
              "\"30\"\r\nmp_laydowntime \"1.5\"\r\nmp_nomeleehittime \"2.0\"\r\n"
              "mp_allowsensubeans \"1.0\"\r\nsv_accelerate \"10\"");
}

TEST_F(CreateServerPage, GameRulesShowWhatGameCfgSaysAndWriteOnChange)
{
    const std::string game = "\"mp_wishlimit\"\t\t\"5\"\r\n\"mp_fraglimit\"\t\t\"30\"\r\n\"mp_falldamage\"\t\t\"0\"\r\n"
                             "\"mp_gamemode\"\t\t\"7\"\r\n\"mp_footsteps\"\t\t\"0\"\r\n";
    WriteText(Mod("game.cfg"), game);
    Build();
    EXPECT_EQ(Edit(Page::IdWishLimit)->text(), "5");
    EXPECT_EQ(Edit(Page::IdFragLimit)->text(), "30");
    EXPECT_EQ(Combo(Page::IdFallingDamage)->currentText(), "Normal");
    EXPECT_EQ(Combo(Page::IdGameMode)->currentText(), "Free Fighting"); // 7 is no mode
    EXPECT_FALSE(Check(Page::IdFootsteps)->isChecked());
    EXPECT_TRUE(Check(Page::IdFriendlyFire)->isChecked());
    // The limits were written back (the absent time limit appended empty); the mode stays 7.
    EXPECT_EQ(ReadText(Mod("game.cfg")),
              "\"mp_wishlimit\"\t\t\"5\"\r\n\"mp_fraglimit\"\t\t\"30\"\r\n\"mp_falldamage\"\t\t\"0\"\r\n"
              "\"mp_gamemode\"\t\t\"7\"\r\n\"mp_footsteps\"\t\t\"0\"\r\n\"mp_timelimit\"\t\t\"\"");

    Choose(Combo(Page::IdGameMode), 2);
    Combo(Page::IdFallingDamage)->setCurrentIndex(1); // moved by code, not chosen: nothing written
    Tick(Check(Page::IdFootsteps));
    Tick(Check(Page::IdLowPingPhysics));
    Edit(Page::IdTimeLimit)->setText("25");
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
    QLineEdit* port = Edit(Page::IdPort);
    port->clear();
    std::vector<int> stored;
    QObject::connect(port, &QLineEdit::textChanged, [&] { stored.push_back(settings.port); });
    QTest::keyClicks(port, "27015");
    EXPECT_EQ(stored, (std::vector<int>{2, 27, 270, 2701, 27015}));
    QTest::keyClicks(Edit(Page::IdMaxPlayers), "x"); // digits only
    Edit(Page::IdMaxPlayers)->setText("12");
    EXPECT_EQ(settings.maxPlayers, 12);
    Edit(Page::IdServerName)->setText("My Server");
    EXPECT_EQ(settings.serverName, "My Server");
    Tick(FindById<QRadioButton>(page.get(), Page::IdInternet));
    EXPECT_FALSE(settings.lan);
    Tick(FindById<QRadioButton>(page.get(), Page::IdLan));
    EXPECT_TRUE(settings.lan);
    EXPECT_FALSE(FindById<QRadioButton>(page.get(), Page::IdInternet)->isChecked());
    Tick(FindById<QCheckBox>(page.get(), Page::IdDedicated));
    EXPECT_TRUE(settings.dedicated);

    // A Default button: the field and both files.
    Edit(Page::IdGravity)->setText("300");
    Click(Page::IdGravityDefault);
    EXPECT_EQ(Edit(Page::IdGravity)->text(), "800");
    EXPECT_EQ(ReadText(Mod("listenserver.cfg")), "");
}

TEST_F(CreateServerPage, MapsAndMapCycleEditing)
{
    for (const char* name : {"de_x.bsp", "de_x.BSP", "readme.txt", "ctf_y.bsp"})
        WriteText(Mod("maps/" + std::string(name)), "x");
    std::filesystem::create_directory(Mod("maps/old.bsp"));
    WriteText(Mod("mapcycle.txt"), "a\r\n\r\nb\r\n");
    Build();
    Lines maps = Rows(Maps());
    std::sort(maps.begin(), maps.end());
    EXPECT_EQ(maps, (Lines{"ctf_y", "de_x"}));
    EXPECT_EQ(Maps()->currentRow(), 0);
    EXPECT_EQ(Rows(Cycle()), (Lines{"a", "", "b"}));

    // Add twice: two lines more.
    const std::string first = Maps()->item(0)->text().toStdString();
    Click(Page::IdAddMap);
    Click(Page::IdAddMap);
    EXPECT_EQ(ReadText(Mod("mapcycle.txt")), "a\r\n\r\nb\r\n" + first + "\r\n" + first + "\r\n");
    EXPECT_EQ(Cycle()->count(), 5);

    // Up on the first and Down on the last write nothing.
    WriteText(Mod("mapcycle.txt"), "untouched");
    Cycle()->setCurrentRow(0);
    Click(Page::IdUp);
    Cycle()->setCurrentRow(4);
    Click(Page::IdDown);
    Click(Page::IdBottom);
    EXPECT_EQ(ReadText(Mod("mapcycle.txt")), "untouched");
    // A move writes the whole cycle, the empty entry included, and keeps the entry selected.
    Cycle()->setCurrentRow(2);
    Click(Page::IdTop);
    EXPECT_EQ(ReadText(Mod("mapcycle.txt")), "b\r\na\r\n\r\n" + first + "\r\n" + first + "\r\n");
    EXPECT_EQ(Cycle()->currentRow(), 0);
    Cycle()->setCurrentRow(3);
    Click(Page::IdUp);
    EXPECT_EQ(Cycle()->currentRow(), 2);
    EXPECT_EQ(Rows(Cycle()), (Lines{"b", "a", first, "", first}));

    // Remove, Sort, Randomize, Clear.
    Cycle()->setCurrentRow(3);
    Click(Page::IdRemove);
    EXPECT_EQ(Cycle()->currentRow(), -1);
    Click(Page::IdRemove); // nothing selected
    EXPECT_EQ(Rows(Cycle()), (Lines{"b", "a", first, first}));
    Cycle()->clear();
    for (const char* e : {"b", "A", "a2"})
        Cycle()->addItem(e);
    for (int i = 0; i < 3; ++i)
        Cycle()->item(i)->setData(Qt::UserRole, Cycle()->item(i)->text().toUtf8());
    Click(Page::IdSort);
    EXPECT_EQ(ReadText(Mod("mapcycle.txt")), "A\r\na2\r\nb\r\n");
    Lcg& random = ProgramRandom();
    const uint32_t saved = random.state;
    Click(Page::IdRandomize);
    EXPECT_NE(random.state, saved); // drawn from the program's one sequence
    Lines shuffled = Rows(Cycle());
    std::sort(shuffled.begin(), shuffled.end());
    EXPECT_EQ(shuffled, (Lines{"A", "a2", "b"}));
    Click(Page::IdClear);
    EXPECT_EQ(Cycle()->count(), 0);
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
    Click(Page::IdCreateServer);
    EXPECT_EQ(Launched(), std::string(kClientExeName) + " " + dir.File("game") +
                              "\n[-game]\n[znk]\n[-port]\n[27015]\n[+sv_lan]\n[1]\n[+hostname]\n[Test]\n[+maxplayers]\n"
                              "[16]\n[+map]\n[dm1]\n[+exec]\n[listenserver.cfg]\n");

    settings.dedicated = true;
    settings.lan = false;
    Edit(Page::IdPassword)->setText("secret");
    Click(Page::IdCreateServer);
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
    Click(Page::IdCreateServer);
    EXPECT_EQ(Launched(), std::string(kClientExeName) + " " + dir.File("game") + "\n[-game]\n[znk]\n[-port]\n[" +
                              std::to_string(settings.port) + "]\n[+hostname]\n[" + settings.serverName +
                              "]\n[+maxplayers]\n[" + std::to_string(settings.maxPlayers) +
                              "]\n[+map]\n[q\"uote]\n[+exec]\n[listenserver.cfg]\n");
}

TEST_F(CreateServerPage, WithoutMapsNothingStartsAndTheUserIsTold)
{
    Build();
    Click(Page::IdCreateServer);
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
    ASSERT_EQ(Maps()->count(), 1);
    EXPECT_EQ(Maps()->item(0)->text(), QString::fromLatin1("caf\xE9"));
    Click(Page::IdAddAllMaps);
    Click(Page::IdAddMap);
    EXPECT_EQ(ReadText(Mod("mapcycle.txt")), "caf\xE9\r\ncaf\xE9\r\n");
    settings.console = false;
    Click(Page::IdCreateServer);
    EXPECT_NE(Launched().find("[+map]\n[caf\xE9]\n"), std::string::npos);
}

// Without listenserver.cfg the variables come from server.cfg, which keeps its values.
TEST_F(CreateServerPage, AMissingListenServerCfgLeavesServerCfgAlone)
{
    const std::string server = "mp_melee \"2.5\"\r\nsv_gravity \"600\"\r\nhostname \"Mine\"";
    WriteText(Mod("server.cfg"), server);
    WriteText(Mod("game.cfg"), "\"mp_fraglimit\"\t\t\"30\"");
    Build();
    EXPECT_EQ(Edit(Page::IdMelee)->text(), "2.5");
    EXPECT_EQ(Edit(Page::IdGravity)->text(), "600");
    EXPECT_EQ(Edit(Page::IdDbRespawnTime)->text(), "30"); // a default, appended
    EXPECT_EQ(ReadText(Mod("server.cfg")).substr(0, server.size()), server);
}

// A read-only map cycle: the list follows the buttons, the file stays, and the user hears it once.
TEST_F(CreateServerPage, AReadOnlyMapCycleIsToldOnce)
{
    WriteText(Mod("mapcycle.txt"), "dm1\r\ndm2\r\ndm3\r\n");
    ::chmod(Mod("mapcycle.txt").c_str(), 0444);
    CFileSaveNotice notice(context.message);
    context.fileSaved = [&notice](const std::string& path, bool saved) { notice.Report(path, saved); };
    Build();
    Cycle()->setCurrentRow(0);
    Click(Page::IdRemove);
    Cycle()->setCurrentRow(0);
    Click(Page::IdRemove);
    Click(Page::IdClear);
    QTest::qWait(50);
    EXPECT_EQ(Cycle()->count(), 0);
    EXPECT_EQ(ReadText(Mod("mapcycle.txt")), "dm1\r\ndm2\r\ndm3\r\n");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("mapcycle.txt") && messages[0].contains("read-only"));
    ::chmod(Mod("mapcycle.txt").c_str(), 0644);
}
