// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamefiles/model/cvar_file.h"

#include "core/file_io.h"
#include "core/path.h"
#include "settings/app_settings.h"
#include "test_support/work_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A mod folder and a working folder of their own, and the files of the mod folder byte for byte.
struct CvarTest : ::testing::Test {
    TempDir mod;
    TempDir work;
    CvarFiles files{mod.Path(), work.Path()};

    void Put(const std::string& name, const std::string& bytes) const { WriteText(mod.File(name), bytes); }
    std::string Get(const std::string& name) const { return ReadText(mod.File(name)); }
    std::string AfterWrite(const std::string& before, const std::string& key, const std::string& value,
                           bool tabbed = false) const
    {
        Put("config.cfg", before);
        files.WriteCvar("config.cfg", key, value, tabbed);
        return Get("config.cfg");
    }
};

} // namespace

TEST_F(CvarTest, WriteReplacesTheFirstLineStartingWithTheKeyAndEndsWithoutABreak)
{
    EXPECT_EQ(AfterWrite("// options\r\ncl_dusttrails \"0\"\r\nname \"Player\"\r\n", "cl_dusttrails", "1"),
              "// options\r\ncl_dusttrails \"1\"\r\nname \"Player\"");
    // A duplicate further down stays as it was.
    EXPECT_EQ(AfterWrite("fps_max \"60\"\r\nrate \"9999\"\r\nfps_max \"72\"\r\n", "fps_max", "100"),
              "fps_max \"100\"\r\nrate \"9999\"\r\nfps_max \"72\"");
    // A line with a blank before the name or another case is not the key's.
    EXPECT_EQ(AfterWrite(" name \"y\"\r\nName \"Y\"", "name", "z"), " name \"y\"\r\nName \"Y\"\r\nname \"z\"");
    // Tabbed: the key carries its quotes, so a longer name behind the same opening does not match.
    EXPECT_EQ(AfterWrite("\"bot_x\"\t\t\"1\"\r\n\"bot\"\t\t\"2\"", "\"bot\"", "5", true),
              "\"bot_x\"\t\t\"1\"\r\n\"bot\"\t\t\"5\"");
}

TEST_F(CvarTest, WriteAppendsAMissingVariableAsTheLastLine)
{
    EXPECT_EQ(AfterWrite("rate \"9999\"\r\n\r\nfps_max \"72\"\r\n", "cl_himodels", "1"),
              "rate \"9999\"\r\n\r\nfps_max \"72\"\r\ncl_himodels \"1\"");
    EXPECT_EQ(AfterWrite("\"mp_fraglimit\"\t\t\"10\"", "\"mp_timelimit\"", "20", true),
              "\"mp_fraglimit\"\t\t\"10\"\r\n\"mp_timelimit\"\t\t\"20\"");
    EXPECT_EQ(AfterWrite("", "name", "Player"), "name \"Player\"");
}

TEST_F(CvarTest, WriteNeverCreatesAFile)
{
    files.WriteCvar("config.cfg", "name", "Player", false);
    EXPECT_TRUE(std::filesystem::is_empty(mod.Path()));
    CvarFiles nowhere(mod.File("missing"), work.Path());
    nowhere.WriteCvar("config.cfg", "name", "Player", false);
    EXPECT_TRUE(std::filesystem::is_empty(mod.Path()));
}

TEST_F(CvarTest, LfAndCrLinesReadLikeCrLfAndAreRewrittenWithCrLf)
{
    for (const std::string eol : {"\n", "\r"}) {
        SCOPED_TRACE(eol == "\n" ? "LF" : "CR");
        const std::string text = "rate \"9999\"" + eol + "cl_himodels \"1\"" + eol + "fps_max \"72\"" + eol;
        Put("config.cfg", text);
        files.LoadCvarText("config.cfg");
        EXPECT_EQ(files.loadedText(), "rate \"9999\"\ncl_himodels \"1\"\nfps_max \"72\"");
        EXPECT_EQ(files.ReadCvar("cl_himodels", "x", false), "1");
        EXPECT_EQ(files.ReadCvar("fps_max", "x", false), "72");
        EXPECT_EQ(files.ReadCvarFromFile("config.cfg", "cl_himodels", "x", false), "1");
        EXPECT_EQ(AfterWrite(text, "cl_himodels", "0"), "rate \"9999\"\r\ncl_himodels \"0\"\r\nfps_max \"72\"");
    }
}

// The line a write replaces is the line a read takes its value from, whatever the separator:
// read as absent, a tab-separated value would be written over with an empty one at every start.
TEST_F(CvarTest, ReadCvarTakesTheKeysLineWhateverItsSeparator)
{
    Put("game.cfg",
        "// rules\r\n\r\n\"mp_fraglimit\"\t\t\"25\"\r\n\"mp_timelimit\"\t\"30\"\r\n\"mp_fraglimit\"\t\t\"99\"\r\n");
    files.LoadCvarText("game.cfg");
    EXPECT_EQ(files.ReadCvar("\"mp_fraglimit\"", "d", true), "25");
    EXPECT_EQ(files.ReadCvar("\"mp_timelimit\"", "d", true), "30");
    EXPECT_EQ(files.ReadCvar("\"mp_fraglimit\"", "d", false), "25");

    // With or without quotes a plain value reads back bare; after the style's own separator a
    // second space stays in front of the value; a bare name is no value.
    Put("config.cfg", "cl_himodels \"1\"\r\ncl_dusttrails 1\r\nrate\t\"9999\"\r\nname  \"Player\"\r\nsensitivity\r\n");
    files.LoadCvarText("config.cfg");
    EXPECT_EQ(files.ReadCvar("cl_himodels", "d", false), "1");
    EXPECT_EQ(files.ReadCvar("cl_dusttrails", "d", false), "1");
    EXPECT_EQ(files.ReadCvar("rate", "d", false), "9999");
    EXPECT_EQ(files.ReadCvar("name", "d", false), " Player");
    EXPECT_EQ(files.ReadCvar("sensitivity", "d", false), "d");
    files.WriteCvar("config.cfg", "rate", files.ReadCvar("rate", "", false), false);
    EXPECT_NE(Get("config.cfg").find("rate \"9999\""), std::string::npos);
}

TEST_F(CvarTest, LoadedTextIsTheLastFileLoadedAndBelongsToItsObject)
{
    Put("config.cfg", "name \"Player\"\r\n");
    files.LoadCvarText("config.cfg");
    EXPECT_EQ(files.ReadCvar("name", "d", false), "Player");
    // A missing file reads as an empty one: its values are its defaults, not the last file's.
    files.LoadCvarText("missing.cfg");
    EXPECT_EQ(files.loadedText(), "");
    EXPECT_EQ(files.ReadCvar("name", "d", false), "d");
    files.LoadCvarText("config.cfg");

    CvarFiles other(mod.Path(), work.Path());
    Put("game.cfg", "\"mp_fraglimit\"\t\t\"25\"");
    other.LoadCvarText("game.cfg");
    EXPECT_EQ(files.ReadCvar("name", "d", false), "Player");
    EXPECT_EQ(other.ReadCvar("name", "d", false), "d");

    Put("empty.cfg", "");
    files.LoadCvarText("empty.cfg");
    EXPECT_EQ(files.ReadCvar("name", "d", false), "d");
}

TEST_F(CvarTest, ReadFromFileSkipsTheSeparatorUnchecked)
{
    Put("config.cfg", "cl_himodels \"1\"\r\nrate 9999\r\nname  \"Player\"\r\nfps_max\t\t\"72\"\r\nmodel\t\"tamsin\"\r\n"
                      "sensitivity\r\nname \"second\"\r\n");
    EXPECT_EQ(files.ReadCvarFromFile("config.cfg", "cl_himodels", "d", false), "1");
    EXPECT_EQ(files.ReadCvarFromFile("config.cfg", "rate", "d", false), "9999");
    EXPECT_EQ(files.ReadCvarFromFile("config.cfg", "name", "d", false), " Player");
    EXPECT_EQ(files.ReadCvarFromFile("config.cfg", "fps_max", "d", false), "\t72");
    EXPECT_EQ(files.ReadCvarFromFile("config.cfg", "model", "d", false), "tamsin");
    EXPECT_EQ(files.ReadCvarFromFile("config.cfg", "sensitivity", "d", false), "");
    EXPECT_EQ(files.ReadCvarFromFile("config.cfg", "cl_", "d", false), "d");
    EXPECT_EQ(files.ReadCvarFromFile("config.cfg", "volume", "d", false), "d");
    EXPECT_EQ(files.ReadCvarFromFile("missing.cfg", "name", "d", false), "");

    Put("game.cfg", "\"mp_fraglimit\"\t\t\"25\"\r\n\"mp_timelimit\"\t\"30\"");
    EXPECT_EQ(files.ReadCvarFromFile("game.cfg", "\"mp_fraglimit\"", "d", true), "25");
    EXPECT_EQ(files.ReadCvarFromFile("game.cfg", "\"mp_timelimit\"", "d", true), "30");
}

TEST_F(CvarTest, RemoveLinesDropsEveryLineWithThePrefix)
{
    Put("config.cfg", "bind \"w\" \"+forward\"\r\nname \"Player\"\r\nbind \"w\" \"+jump\"\r\nBIND \"w\" \"x\"\r\n"
                      " bind \"w\" \"y\"\r\nbind \"ww\" \"z\"\r\n");
    files.RemoveLines("config.cfg", "bind \"w\"");
    EXPECT_EQ(Get("config.cfg"), "name \"Player\"\r\nBIND \"w\" \"x\"\r\n bind \"w\" \"y\"\r\nbind \"ww\" \"z\"");

    Put("one.cfg", "bind \"w\" \"+forward\"\n");
    files.RemoveLines("one.cfg", "bind");
    EXPECT_EQ(Get("one.cfg"), "");

    files.RemoveLines("missing.cfg", "bind");
    EXPECT_FALSE(PathExists(mod.File("missing.cfg")));
}

TEST_F(CvarTest, RemoveLinesTakesANameStartingWithTheSeparatorInTheWorkingFolder)
{
    const std::string name = std::string(1, kPathSeparator) + "list.txt";
    WriteText(work.File("list.txt"), "keep\ndrop me\r\nkeep too");
    Put("list.txt", "drop me\r\n");
    files.RemoveLines(name, "drop");
    EXPECT_EQ(ReadText(work.File("list.txt")), "keep\r\nkeep too");
    EXPECT_EQ(Get("list.txt"), "drop me\r\n");
}

TEST_F(CvarTest, ReadOnlyFileIsLeftUnchanged)
{
    const std::string before = "name \"Player\"\nbind \"w\" \"+forward\"\n";
    Put("config.cfg", before);
    ASSERT_EQ(::chmod(mod.File("config.cfg").c_str(), 0444), 0);
    files.WriteCvar("config.cfg", "name", "Other", false);
    files.WriteCvar("config.cfg", "rate", "9999", false);
    files.RemoveLines("config.cfg", "bind");
    EXPECT_EQ(Get("config.cfg"), before);
    EXPECT_EQ(files.ReadCvarFromFile("config.cfg", "name", "d", false), "Player");
    ::chmod(mod.File("config.cfg").c_str(), 0644);
}

// A name that starts another name is not its key: neither line takes the other's value.
TEST_F(CvarTest, AKeyIsAWholeNameNotThePrefixOfALongerOne)
{
    struct Case {
        std::string before, key, value, after;
    };
    const Case cases[] = {
        {"fps_maxx \"5\"\r\nfps_max \"100\"", "fps_max", "72", "fps_maxx \"5\"\r\nfps_max \"72\""},
        {"net_graphpos \"1\"\r\nnet_graph \"0\"", "net_graph", "3", "net_graphpos \"1\"\r\nnet_graph \"3\""},
        {"namefoo \"x\"", "name", "z", "namefoo \"x\"\r\nname \"z\""},
        // Followed by a tab, a quote or nothing, the key is the line's.
        {"rate\t9999", "rate", "1", "rate \"1\""},
        {"rate\"9999\"", "rate", "1", "rate \"1\""},
        {"rate", "rate", "1", "rate \"1\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        EXPECT_EQ(AfterWrite(c.before, c.key, c.value), c.after);
    }
    Put("liblist.gam", "gamedll_linux \"dlls/x.so\"\r\ngamedll \"dlls\\x.dll\"\r\n");
    EXPECT_EQ(files.ReadCvarFromFile("liblist.gam", "gamedll", "d", false), "dlls\\x.dll");
    files.WriteCvar("liblist.gam", "gamedll", "dlls\\y.dll", false);
    EXPECT_EQ(Get("liblist.gam"), "gamedll_linux \"dlls/x.so\"\r\ngamedll \"dlls\\y.dll\"");
    Put("config.cfg", "bind \"w\"x \"a\"\r\nbind \"w\" \"b\"\r\n");
    files.RemoveLines("config.cfg", "bind \"w\"");
    EXPECT_EQ(Get("config.cfg"), "bind \"w\"x \"a\"");
}

// Windows editors start a file with a byte-order mark: it hides no line and survives a rewrite.
TEST_F(CvarTest, AByteOrderMarkIsSkippedAndKept)
{
    const std::string bom = "\xEF\xBB\xBF";
    Put("config.cfg", bom + "name \"Player\"\r\nrate \"9999\"\r\n");
    files.LoadCvarText("config.cfg");
    EXPECT_EQ(files.ReadCvar("name", "d", false), "Player");
    EXPECT_EQ(files.ReadCvarFromFile("config.cfg", "name", "d", false), "Player");
    files.WriteCvar("config.cfg", "name", "Other", false);
    EXPECT_EQ(Get("config.cfg"), bom + "name \"Other\"\r\nrate \"9999\"");
    files.RemoveLines("config.cfg", "name");
    EXPECT_EQ(Get("config.cfg"), bom + "rate \"9999\"");
    Put("empty.cfg", bom);
    files.WriteCvar("empty.cfg", "name", "P", false);
    EXPECT_EQ(Get("empty.cfg"), bom + "name \"P\"");
}

TEST_F(CvarTest, AValueNeverStartsALineOfItsOwn)
{
    EXPECT_EQ(AfterWrite("fps_max \"100\"", "fps_max", "75\nbind \"x\" \"quit\""),
              "fps_max \"75 bind \"x\" \"quit\"\"");
    EXPECT_EQ(AfterWrite("", "name", std::string("Bob\r\nexec evil.cfg\0", 19)), "name \"Bob  exec evil.cfg \"");
}

// Writing back the value just read leaves the file alone: no new file in its place, no report.
TEST_F(CvarTest, AWriteThatChangesNoByteIsNotMade)
{
    Put("config.cfg", "name \"Player\"\r\nrate \"9999\"");
    struct stat before {};
    ::stat(mod.File("config.cfg").c_str(), &before);
    std::vector<std::pair<std::string, bool>> reports;
    files.SetWriteReport([&](const std::string& path, bool written) { reports.emplace_back(path, written); });
    EXPECT_TRUE(files.WriteCvar("config.cfg", "name", "Player", false));
    EXPECT_TRUE(files.RemoveLines("config.cfg", "bind"));
    struct stat after {};
    ::stat(mod.File("config.cfg").c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(files.WriteCvar("config.cfg", "name", "Other", false));
    EXPECT_EQ(reports, (std::vector<std::pair<std::string, bool>>{{mod.File("config.cfg"), true}}));
}

TEST(CvarTempFiles, KilledWritesOfTheModsFilesAreSweptAway)
{
    TempDir mod;
    std::filesystem::create_directory(mod.File("mp3"));
    const std::string m = kTempFileMarker;
    for (const std::string& name :
         {"config.cfg" + m + "a1B2c3", "mapcycle.txt" + m + "Zz9yY8", "mp3/playlist.txt" + m + "000000",
          "notes.txt" + m + "a1B2c3", "config.cfg" + m + "short"})
        WriteText(mod.File(name), "x");
    EXPECT_EQ(RemoveStaleGameTempFiles(mod.Path()), 3);
    EXPECT_TRUE(PathExists(mod.File("notes.txt" + m + "a1B2c3")));
    EXPECT_TRUE(PathExists(mod.File("config.cfg" + m + "short")));
}

TEST(CvarSettings, FilesLiveInTheModFolderOfTheGameAndTheWorkingFolder)
{
    TempDir game;
    TempDir work;
    AppSettings settings;
    settings.gameFolder = game.Path();
    settings.modFolder = "znk";
    settings.workFolder = work.Path();
    std::filesystem::create_directory(game.File("znk"));
    WriteText(JoinPath(game.Path(), "znk", "liblist.gam"), "game \"ZNK\"\r\ngamedll \"dlls\\znk.dll\"\r\n");
    WriteText(work.File("binds.txt"), "a\r\nb");

    const CvarFiles files = CvarFiles::ForSettings(settings);
    files.WriteCvar("liblist.gam", "gamedll", "dlls\\znk_dbg.dll", false);
    files.RemoveLines(std::string(1, kPathSeparator) + "binds.txt", "a");
    EXPECT_EQ(ReadText(JoinPath(game.Path(), "znk", "liblist.gam")), "game \"ZNK\"\r\ngamedll \"dlls\\znk_dbg.dll\"");
    EXPECT_EQ(ReadText(work.File("binds.txt")), "b");
}

TEST(CvarWords, BindLinesGiveTheirWordsWithQuotes)
{
    const std::string bind = "bind \"MOUSE1\" \"+attack\"";
    EXPECT_EQ(GetWord(bind, 1), "bind");
    EXPECT_EQ(GetWord(bind, 2), "\"MOUSE1\"");
    EXPECT_EQ(GetWord(bind, 3), "\"+attack\"");
    EXPECT_EQ(GetWord(bind, 4), "");
    EXPECT_EQ(GetWord(bind, 0), "");
    EXPECT_EQ(GetWord(bind, -1), "");

    // A quoted command with blanks is one word, and the line ends right after it.
    const std::string say = "bind \"F1\" \"say hello world\"";
    EXPECT_EQ(GetWord(say, 3), "\"say hello world\"");
    EXPECT_EQ(GetWord(say, 4), "");
    EXPECT_EQ(GetWord("bind w +forward", 3), "+forward");
    EXPECT_EQ(GetWord("\"F1 key\" x", 2), "x");
    EXPECT_EQ(GetWord("\"Big Bot\" \"say hi\" 5", 2), "\"say hi\"");
    EXPECT_EQ(GetWord("\"Big Bot\" \"say hi\" 5", 3), "5");
    // Only a space separates: a tab stays inside the word.
    EXPECT_EQ(GetWord("a\tb c", 1), "a\tb");
    // A quote never closed runs to the end of the line.
    EXPECT_EQ(GetWord("bind \"say hi", 2), "\"say hi\"");
    EXPECT_EQ(GetWord("", 1), "");
}

TEST(CvarWords, RunsOfSpacesShiftLaterWords)
{
    // Each pass drops the word's length plus one from the front, leading spaces included.
    EXPECT_EQ(GetWord("a     bb", 2), "bb");
    EXPECT_EQ(GetWord("a     bb", 3), "bb");
    EXPECT_EQ(GetWord("a     bb", 4), "");
    EXPECT_EQ(GetWord("  abc def", 1), "abc");
    EXPECT_EQ(GetWord("  abc def", 2), "c");
    EXPECT_EQ(GetWord("  abc def", 3), "def");
    // After a doubled space a quoted word is no longer seen as one and comes in pieces.
    const std::string bind = "bind  \"F1\" \"say hi\"";
    EXPECT_EQ(GetWord(bind, 2), "\"F1\"");
    EXPECT_EQ(GetWord(bind, 3), "\"say");
    EXPECT_EQ(GetWord("a   ", 2), "");
}
