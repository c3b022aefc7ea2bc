// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconfig/settings_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "services/file_notice.h"
#include "ui/sort_list_ctrl.h"

#include <sys/stat.h>

namespace {

const char* const kOptions = "cl_himodels \"1\"\r\nfps_max \"100\"\r\nnet_graph \"0\"\r\nsensitivity \"3.5\"\r\n"
                             "MP3Volume \"0.8\"\r\nmp_decals \"300\"";

} // namespace

TEST_F(SettingsPage, MiscPageShowsTheSettingsAndConfigCfg)
{
    settings.console = true;
    settings.priority = 1;
    settings.timeout = 2.5f;
    settings.skipTrackInfo = true;
    settings.detectVbr = true;
    WriteText(Mod("config.cfg"), std::string(kOptions) + "\r\ncl_fxquality \"1\"\r\ncl_beamquality \"4\"");
    std::filesystem::create_directories(dir.File("game/other"));
    WriteText(dir.File("game/other/liblist.gam"), "game \"Other\"");
    std::filesystem::create_directories(dir.File("game/valve_no_liblist"));
    WriteText(Mod("liblist.gam"), "game \"ZNK\"");
    Build();
    Load();
    EXPECT_EQ(OnMisc<QLineEdit>(Misc::IdTimeout)->text(), "2.500000");
    EXPECT_TRUE(OnMisc<QCheckBox>(Misc::IdConsole)->isChecked());
    EXPECT_FALSE(OnMisc<QCheckBox>(Misc::IdBpp32)->isChecked());
    EXPECT_EQ(OnMisc<QComboBox>(Misc::IdPriority)->currentText(), "Above Normal");
    EXPECT_FALSE(OnMisc<QCheckBox>(Misc::IdGetLength)->isChecked());
    EXPECT_FALSE(OnMisc<QCheckBox>(Misc::IdDetectVbr)->isEnabled());
    EXPECT_TRUE(OnMisc<QCheckBox>(Misc::IdDetectVbr)->isChecked());
    QStringList mods;
    for (int i = 0; i < OnMisc<QComboBox>(Misc::IdMod)->count(); ++i)
        mods << OnMisc<QComboBox>(Misc::IdMod)->itemText(i);
    mods.sort();
    EXPECT_EQ(mods, (QStringList{"other", "znk"}));
    EXPECT_EQ(OnMisc<QComboBox>(Misc::IdMod)->currentText(), "znk");
    EXPECT_TRUE(OnMisc<QCheckBox>(Misc::IdHiModels)->isChecked());
    EXPECT_EQ(OnMisc<QLineEdit>(Misc::IdFpsMax)->text(), "100");
    EXPECT_EQ(OnMisc<QLineEdit>(Misc::IdMp3Volume)->text(), "0.8");
    EXPECT_EQ(OnMisc<QComboBox>(Misc::IdFxQuality)->currentText(), "Low");
    EXPECT_EQ(OnMisc<QComboBox>(Misc::IdBeamQuality)->currentText(), "Crappy");
    // The five fields were written back as read (already quoted: the same bytes).
    EXPECT_EQ(ReadText(Mod("config.cfg")), std::string(kOptions) + "\r\ncl_fxquality \"1\"\r\ncl_beamquality \"4\"\r\n"
                                                                   "name \"\"");
}

TEST_F(SettingsPage, QualityListsWriteConfigAndStoreTheirChoice)
{
    WriteText(Mod("config.cfg"), kOptions);
    Build();
    Load();
    EXPECT_EQ(OnMisc<QComboBox>(Misc::IdFxQuality)->currentText(), "High");
    EXPECT_EQ(OnMisc<QComboBox>(Misc::IdBeamQuality)->currentText(), "Best");
    Choose(OnMisc<QComboBox>(Misc::IdFxQuality), 3);
    EXPECT_EQ(settings.fxQuality, 1);
    Choose(OnMisc<QComboBox>(Misc::IdBeamQuality), 4);
    EXPECT_EQ(settings.beamQuality, 5);
    const std::string config = ReadText(Mod("config.cfg"));
    EXPECT_NE(config.find("cl_fxquality \"0\""), std::string::npos);
    EXPECT_NE(config.find("cl_beamquality \"4\""), std::string::npos);

    // Gone from the file, the stored choice is written again at the next load and shown.
    WriteText(Mod("config.cfg"), kOptions);
    Load();
    EXPECT_EQ(OnMisc<QComboBox>(Misc::IdFxQuality)->currentText(), "No FX");
    EXPECT_EQ(OnMisc<QComboBox>(Misc::IdBeamQuality)->currentText(), "Crappy");
    const std::string reloaded = ReadText(Mod("config.cfg"));
    EXPECT_NE(reloaded.find("cl_fxquality \"0\""), std::string::npos);
    EXPECT_NE(reloaded.find("cl_beamquality \"4\""), std::string::npos);
}

TEST_F(SettingsPage, DustTrailsAndRocksFollowTheSettingWhenTheFileSaysNo)
{
    WriteText(Mod("config.cfg"), "cl_dusttrails \"0\"\r\ncl_3drocks \"0\"");
    settings.dustTrails = true;
    Build();
    Load();
    EXPECT_TRUE(OnMisc<QCheckBox>(Misc::IdDustTrails)->isChecked());
    EXPECT_FALSE(OnMisc<QCheckBox>(Misc::IdRocks)->isChecked());
    EXPECT_EQ(ReadText(Mod("config.cfg")), "cl_dusttrails \"1\"\r\ncl_3drocks \"0\"\r\nname \"\"" + kMiscTextsAppended);
    Tick(OnMisc<QCheckBox>(Misc::IdRocks));
    EXPECT_TRUE(settings.rocks3d);
    EXPECT_NE(ReadText(Mod("config.cfg")).find("cl_3drocks \"1\""), std::string::npos);
    Tick(OnMisc<QCheckBox>(Misc::IdDustTrails));
    EXPECT_FALSE(settings.dustTrails);
    EXPECT_NE(ReadText(Mod("config.cfg")).find("cl_dusttrails \"0\""), std::string::npos);
}

TEST_F(SettingsPage, TimeoutAndPlaylistOptions)
{
    Build();
    OnMisc<QLineEdit>(Misc::IdTimeout)->clear();
    std::vector<float> stored;
    QObject::connect(OnMisc<QLineEdit>(Misc::IdTimeout), &QLineEdit::textChanged,
                     [&] { stored.push_back(settings.timeout); });
    QTest::keyClicks(OnMisc<QLineEdit>(Misc::IdTimeout), "0.5");
    EXPECT_EQ(stored, (std::vector<float>{1.0f, 1.0f, 0.5f}));
    OnMisc<QLineEdit>(Misc::IdTimeout)->setText("fast");
    EXPECT_EQ(settings.timeout, 1.0f);
    OnMisc<QLineEdit>(Misc::IdTimeout)->setText("-2");
    EXPECT_EQ(settings.timeout, -2.0f); // stored as typed; the engine clamps what it uses

    Tick(OnMisc<QCheckBox>(Misc::IdDetectVbr));
    EXPECT_TRUE(settings.detectVbr);
    Tick(OnMisc<QCheckBox>(Misc::IdGetLength)); // off: lengths are not measured
    EXPECT_TRUE(settings.skipTrackInfo);
    EXPECT_FALSE(OnMisc<QCheckBox>(Misc::IdDetectVbr)->isEnabled());
    EXPECT_TRUE(OnMisc<QCheckBox>(Misc::IdDetectVbr)->isChecked());
    EXPECT_TRUE(settings.detectVbr);
    Tick(OnMisc<QCheckBox>(Misc::IdGetLength));
    EXPECT_FALSE(settings.skipTrackInfo);
    EXPECT_TRUE(OnMisc<QCheckBox>(Misc::IdDetectVbr)->isEnabled());

    Choose(OnMisc<QComboBox>(Misc::IdPriority), 0);
    EXPECT_EQ(settings.priority, -2);
    Tick(OnMisc<QCheckBox>(Misc::IdNumericPing));
    EXPECT_TRUE(settings.numericPing);
}

TEST_F(SettingsPage, AModChosenWhileTheLoaderRunsDoesNothingAndWorksAfterwards)
{
    std::filesystem::create_directories(dir.File("game/other"));
    WriteText(dir.File("game/other/liblist.gam"), "game \"Other\"");
    WriteText(Mod("liblist.gam"), "game \"ZNK\"");
    Build();
    Load();
    const int other = OnMisc<QComboBox>(Misc::IdMod)->findText("other");
    ASSERT_GE(other, 0);
    loader.Start();
    ASSERT_TRUE(loader.running());
    Choose(OnMisc<QComboBox>(Misc::IdMod), other);
    EXPECT_EQ(settings.modFolder, "znk");
    EXPECT_EQ(OnMisc<QComboBox>(Misc::IdMod)->currentText(), "znk");
    EXPECT_EQ(locationChanges, 0);
    ASSERT_TRUE(loader.WaitUntilIdle(5000));
    Choose(OnMisc<QComboBox>(Misc::IdMod), other);
    EXPECT_EQ(settings.modFolder, "other");
    EXPECT_EQ(locationChanges, 1);
    ASSERT_TRUE(loader.WaitUntilIdle(5000));
    EXPECT_EQ(OnMisc<QComboBox>(Misc::IdMod)->currentText(), "other");
}

TEST_F(SettingsPage, BindsListShowsBindLinesAndEditsThem)
{
    WriteText(Mod("config.cfg"), "bind \"w\" \"+forward\"\r\nbind \"ws\" \"+speed\"\r\nbind w +back\r\n"
                                 "bindtoggle x\r\nBind \"q\" \"quit\"\r\nbind \"F5\" \"snapshot; say done\"\r\n"
                                 "bind \"w\" \"+jump\"\r\nname \"x\"");
    Build();
    Load();
    CSortListCtrl* list = OnBinds<CSortListCtrl>(Binds::IdList);
    std::vector<std::string> rows;
    for (int r = 0; r < list->GetItemCount(); ++r)
        rows.push_back(list->GetItemTextStd(r, 0) + "=" + list->GetItemTextStd(r, 1));
    EXPECT_EQ(rows,
              (std::vector<std::string>{"w=+forward", "ws=+speed", "w=+back", "F5=snapshot; say done", "w=+jump"}));

    // The down arrow shows the binding it moves to.
    list->setFocus();
    list->SelectRow(0);
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_TRUE(QTest::qWaitFor([&] { return OnBinds<QLabel>(Binds::IdKey)->text() == "ws"; }, 1000));
    EXPECT_EQ(OnBinds<QLineEdit>(Binds::IdCommand)->text(), "+speed");

    // A new command for it: the first line of that key, and the list.
    OnBinds<QLineEdit>(Binds::IdCommand)->setText("+duck");
    EXPECT_NE(ReadText(Mod("config.cfg")).find("bind \"ws\" \"+duck\""), std::string::npos);
    EXPECT_EQ(list->GetItemTextStd(1, 1), "+duck");

    // Deleting w: every `bind "w"` line, not "ws" and not the unquoted one.
    list->SelectRow(0);
    Click(binds(), Binds::IdDelete);
    EXPECT_EQ(ReadText(Mod("config.cfg")),
              "bind \"ws\" \"+duck\"\r\nbind w +back\r\nbindtoggle x\r\nBind \"q\" \"quit\"\r\n"
              "bind \"F5\" \"snapshot; say done\"\r\nname \"x\"" +
                  kMiscTextsAppended);
    EXPECT_EQ(OnBinds<QLabel>(Binds::IdKey)->text(), "");
    EXPECT_EQ(OnBinds<QLineEdit>(Binds::IdCommand)->text(), "");
    EXPECT_EQ(list->GetItemCount(), 4);
}

TEST_F(SettingsPage, AddBindAsksKeyThenCommand)
{
    WriteText(Mod("config.cfg"), "bind \"w\" \"+forward\"");
    Build();
    Load();
    QObject scope;
    // Cancel at the second question: nothing.
    AnswerInputBox(scope, "k", true);
    QTimer::singleShot(300, &scope, [&] { AnswerInputBox(scope, QString(), false); });
    Click(binds(), Binds::IdAdd);
    EXPECT_EQ(OnBinds<CSortListCtrl>(Binds::IdList)->GetItemCount(), 1);
    const std::string loaded = "bind \"w\" \"+forward\"\r\nname \"\"" + kMiscTextsAppended;
    EXPECT_EQ(ReadText(Mod("config.cfg")), loaded);

    InputBoxSeen first, second;
    AnswerInputBox(scope, "k", true, &first);
    QTimer::singleShot(300, &scope, [&] { AnswerInputBox(scope, "+use", true, &second); });
    Click(binds(), Binds::IdAdd);
    EXPECT_EQ(first.title, "Bind Editor");
    EXPECT_EQ(first.prompt, "Please type the Key yo be bound");
    EXPECT_EQ(second.prompt, "Type the command to assign to k");
    ASSERT_EQ(OnBinds<CSortListCtrl>(Binds::IdList)->GetItemCount(), 2);
    EXPECT_EQ(OnBinds<CSortListCtrl>(Binds::IdList)->GetSelectedRow(), 1);
    EXPECT_EQ(ReadText(Mod("config.cfg")), loaded + "\r\nbind \"k\" \"+use\"");
}

// What the loader reads it writes back unchanged: a byte-order mark, names that start other
// names and 8-bit values leave config.cfg exactly as it was, and no line is added or copied.
TEST_F(SettingsPage, ALoadLeavesConfigAsItWasWhateverItsBytes)
{
    const std::string config =
        "\xEF\xBB\xBFname \"Jos\xE9\"\r\nfps_maxx \"5\"\r\nfps_max \"100\"\r\nnet_graphpos \"1\"\r\n"
        "net_graph \"0\"\r\nsensitivity \"3\"\r\nMP3Volume \"1\"\r\nmp_decals \"9\"\r\n"
        "bind \"g\" \"say Gr\xFC\xDF"
        "e\"";
    WriteText(Mod("config.cfg"), config);
    WriteText(Mod("liblist.gam"), "gamedll_linux \"dlls/x.so\"\r\ngamedll \"dlls\\x.dll\"");
    Build();
    Load();
    EXPECT_EQ(OnMain<QLineEdit>(Main::IdPlayerName)->text(), QString::fromLatin1("Jos\xE9"));
    EXPECT_EQ(OnMain<QLineEdit>(Main::IdGameLibrary)->text(), "dlls\\x.dll");
    EXPECT_EQ(OnMisc<QLineEdit>(Misc::IdFpsMax)->text(), "100");
    OnBinds<CSortListCtrl>(Binds::IdList)->SelectRow(0);
    binds()->ShowSelectedBind();
    EXPECT_EQ(ReadText(Mod("config.cfg")), config);
    EXPECT_EQ(ReadText(Mod("liblist.gam")), "gamedll_linux \"dlls/x.so\"\r\ngamedll \"dlls\\x.dll\"");
    // Edited, a value keeps the encoding it was read in.
    OnBinds<QLineEdit>(Binds::IdCommand)->setText(OnBinds<QLineEdit>(Binds::IdCommand)->text() + "!");
    EXPECT_NE(ReadText(Mod("config.cfg"))
                  .find("bind \"g\" \"say Gr\xFC\xDF"
                        "e!\""),
              std::string::npos);
}

// Pasted or typed, a line break never reaches the file; nor does a time-out that is no number.
TEST_F(SettingsPage, FieldsTakeOneLineAndTimeoutOnlyFiniteNumbers)
{
    WriteText(Mod("config.cfg"), "fps_max \"100\"");
    Build();
    Load();
    QLineEdit* fps = OnMisc<QLineEdit>(Misc::IdFpsMax);
    fps->clear();
    fps->insert("75\nbind \"x\" \"quit\"");
    OnMain<QLineEdit>(Main::IdPlayerName)->insert("Bob\r\nexec evil.cfg");
    const std::string written = ReadText(Mod("config.cfg"));
    EXPECT_NE(written.find("fps_max \"75bind \"x\" \"quit\"\""), std::string::npos) << written;
    EXPECT_NE(written.find("name \"Bobexec evil.cfg\""), std::string::npos) << written;
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 5);

    for (const char* text : {"nan", "inf", "-inf", "1e39", "infinity"}) {
        OnMisc<QLineEdit>(Misc::IdTimeout)->setText(text);
        EXPECT_EQ(settings.timeout, 1.0f) << text;
    }
}

TEST_F(SettingsPage, ModsAreListedAlphabeticallyWhateverTheirCase)
{
    for (const char* mod : {"Zeta", "alpha", "Beta", "znk"}) {
        std::filesystem::create_directories(dir.File("game/" + std::string(mod)));
        WriteText(dir.File("game/" + std::string(mod) + "/liblist.gam"), "game \"x\"");
    }
    Build();
    Load();
    QStringList mods;
    for (int i = 0; i < OnMisc<QComboBox>(Misc::IdMod)->count(); ++i)
        mods << OnMisc<QComboBox>(Misc::IdMod)->itemText(i);
    EXPECT_EQ(mods, (QStringList{"alpha", "Beta", "Zeta", "znk"}));
}

// A config.cfg the user may not change: said once however many keys are typed.
TEST_F(SettingsPage, AnUnsavableFileIsToldOnce)
{
    WriteText(Mod("config.cfg"), "name \"Player\"\r\nfps_max \"100\"\r\nnet_graph \"0\"\r\nsensitivity \"3\"\r\n"
                                 "MP3Volume \"1\"\r\nmp_decals \"9\"");
    ::chmod(Mod("config.cfg").c_str(), 0444);
    CFileSaveNotice notice(context.message);
    context.fileSaved = [&notice](const std::string& path, bool saved) { notice.Report(path, saved); };
    Build();
    Load();
    QTest::keyClicks(OnMain<QLineEdit>(Main::IdPlayerName), "abc");
    QTest::qWait(50);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("config.cfg")) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains("read-only"));
    ::chmod(Mod("config.cfg").c_str(), 0644);
}
