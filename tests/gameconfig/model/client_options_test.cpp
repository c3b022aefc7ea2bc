// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconfig/model/client_options.h"

#include "core/path.h"
#include "settings/app_settings.h"
#include "test_support/work_dir.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace {

struct MiscCase {
    const char* name;
    std::optional<std::string> config; // nullopt: no config.cfg
    bool dust, rocks;
    int fx, beam; // the settings' choices
    bool shownHi, shownDust, shownRocks;
    int fxPosition, beamPosition;
    std::optional<std::string> after; // config.cfg after the fill
};

const std::string kTextsEmpty =
    "fps_max \"\"\r\nnet_graph \"\"\r\nsensitivity \"\"\r\nMP3Volume \"\"\r\nmp_decals \"\"";
const std::string kFull = "cl_himodels \"1\"\r\ncl_dusttrails \"0\"\r\ncl_3drocks \"1\"\r\nfps_max \"100\"\r\n"
                          "net_graph \"0\"\r\nsensitivity \"2.5\"\r\nMP3Volume \"0.8\"\r\nmp_decals \"300\"\r\n"
                          "cl_fxquality \"1\"\r\ncl_beamquality \"4\"";

const MiscCase kMiscCases[] = {
    // The file's values win; a box the settings keep ticked puts its "1" back.
    {"FileValues", kFull, true, false, 4, 1, true, true, true, 2, 4,
     "cl_himodels \"1\"\r\ncl_dusttrails \"1\"" + kFull.substr(kFull.find("\r\ncl_3drocks"))},
    {"ChoicesTheFileLacks", "", false, true, 1, 5, false, false, true, 3, 4,
     "cl_3drocks \"1\"\r\n" + kTextsEmpty + "\r\ncl_fxquality \"0\"\r\ncl_beamquality \"4\""},
    {"NothingChosenYet", "name \"x\"", false, false, 0, 0, false, false, false, 0, 0, "name \"x\"\r\n" + kTextsEmpty},
    {"NumbersOffTheLists", "cl_fxquality \"7\"\r\ncl_beamquality \"-1\"", false, false, 2, 2, false, false, false, -1,
     -1, "cl_fxquality \"7\"\r\ncl_beamquality \"-1\"\r\n" + kTextsEmpty},
    {"NoConfigFile", std::nullopt, true, true, 1, 5, false, true, true, 3, 4, std::nullopt},
};

void PrintTo(const MiscCase& c, std::ostream* os)
{
    *os << c.name;
}

class MiscFill : public ::testing::TestWithParam<MiscCase> {};

} // namespace

TEST_P(MiscFill, ShowsTheFileOrTheSettingsAndWritesBackWhatTheFileLacks)
{
    const MiscCase& c = GetParam();
    TempDir mod;
    if (c.config)
        WriteText(mod.File("config.cfg"), *c.config);
    CvarFiles files(mod.Path(), mod.Path());
    AppSettings s;
    s.dustTrails = c.dust;
    s.rocks3d = c.rocks;
    s.fxQuality = c.fx;
    s.beamQuality = c.beam;
    LoadClientConfig(files);
    const MiscOptionValues v = ReadMiscOptionValues(files, s);
    EXPECT_EQ(v.hiModels, c.shownHi);
    EXPECT_EQ(v.dustTrails, c.shownDust);
    EXPECT_EQ(v.rocks3d, c.shownRocks);
    EXPECT_EQ(v.fxPosition, c.fxPosition);
    EXPECT_EQ(v.beamPosition, c.beamPosition);
    WriteMiscFill(files, v);
    EXPECT_EQ(FileExists(mod.File("config.cfg")), c.after.has_value());
    EXPECT_EQ(c.after ? ReadText(mod.File("config.cfg")) : "", c.after.value_or(""));
}

INSTANTIATE_TEST_SUITE_P(ClientOptions, MiscFill, ::testing::ValuesIn(kMiscCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ClientOptions, EachChangeWritesItsOneLine)
{
    const std::string config = "name \"old\"\r\nbind \"w\" \"+forward\"\r\nbind \"ws\" \"x\"";
    const std::string libList = "game \"ZNK\"\r\ngamedll \"dlls\\hl.dll\"";
    struct Change {
        std::function<void(const CvarFiles&)> make;
        const char* file;
        std::string after;
    };
    const Change changes[] = {
        {[](auto& f) { WritePlayerName(f, "Orlen"); }, "config.cfg", "name \"Orlen\"" + config.substr(10)},
        {[](auto& f) { WriteGameLibrary(f, kBotGameLibrary); }, "liblist.gam",
         "game \"ZNK\"\r\ngamedll \"dlls\\znk_bot.dll\""},
        {[](auto& f) { WriteClientSwitch(f, ClientSwitch::HiModels, true); }, "config.cfg",
         config + "\r\ncl_himodels \"1\""},
        {[](auto& f) { WriteClientSwitch(f, ClientSwitch::Rocks3d, false); }, "config.cfg",
         config + "\r\ncl_3drocks \"0\""},
        {[](auto& f) { WriteClientText(f, 3, "0.5"); }, "config.cfg", config + "\r\nMP3Volume \"0.5\""},
        {[](auto& f) { EXPECT_EQ(WriteFxQuality(f, 3), 1); }, "config.cfg", config + "\r\ncl_fxquality \"0\""},
        {[](auto& f) { EXPECT_EQ(WriteBeamQuality(f, 4), 5); }, "config.cfg", config + "\r\ncl_beamquality \"4\""},
        {[](auto& f) { WriteBind(f, "w", "+jump"); }, "config.cfg",
         "name \"old\"\r\nbind \"w\" \"+jump\"\r\nbind \"ws\" \"x\""},
        {[](auto& f) { RemoveBind(f, "w"); }, "config.cfg", "name \"old\"\r\nbind \"ws\" \"x\""},
    };
    for (const Change& c : changes) {
        TempDir mod;
        WriteText(mod.File("config.cfg"), config);
        WriteText(mod.File("liblist.gam"), libList);
        const CvarFiles files(mod.Path(), mod.Path());
        c.make(files);
        EXPECT_EQ(ReadText(mod.File(c.file)), c.after) << c.after;
        EXPECT_EQ(ReadText(mod.File("config.cfg")), c.file == std::string("config.cfg") ? c.after : config);
    }
}

TEST(ClientOptions, ReadsTheNameAndTheBindLines)
{
    TempDir mod;
    WriteText(mod.File("config.cfg"),
              "name\t\"Orlen\"\r\nbind \"w\" \"+forward\"\r\nbindtoggle x\r\nBind \"a\" \"b\"\r\n"
              "bind \"F1\" \"say hi; wave\"\r\nbind q slot1\r\n");
    CvarFiles files(mod.Path(), mod.Path());
    LoadClientConfig(files);
    EXPECT_EQ(ReadPlayerName(files), "Orlen");
    EXPECT_EQ(ReadBinds(files), (std::vector<Binding>{{"w", "+forward"}, {"F1", "say hi; wave"}, {"q", "slot1"}}));
}
