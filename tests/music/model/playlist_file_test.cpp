// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/model/playlist_file.h"

#include "core/path.h"
#include "test_support/work_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// A game folder "game" with the mod "znk" and its mp3 folder.
class PlaylistFiles : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(JoinPath(game, "znk", "mp3")); }

    // An absolute path under the temporary folder, written the platform's way.
    std::string Abs(const std::string& relative) const { return JoinPath(dir.Path(), relative); }

    TempDir dir;
    std::string game = dir.File("game");
    std::string playlist = PlaylistFilePath(game, "znk");
};

} // namespace

TEST_F(PlaylistFiles, PathsOfLines)
{
    EXPECT_EQ(playlist, JoinPath(game, "znk", "mp3", "playlist.txt"));
    const std::string sep(1, kPathSeparator);
#ifdef _WIN32
    EXPECT_TRUE(IsAbsolutePlaylistLine("C:\\m\\a.mp3"));
    EXPECT_FALSE(IsAbsolutePlaylistLine("\\m\\a.mp3"));
    EXPECT_EQ(ResolvePlaylistLine("C:\\\\m\\a.mp3", "C:\\Games\\Half-Life", "znk"), "C:\\\\m\\a.mp3");
#else
    EXPECT_TRUE(IsAbsolutePlaylistLine("/m/a.mp3"));
    EXPECT_FALSE(IsAbsolutePlaylistLine("C:\\m\\a.mp3"));
    EXPECT_FALSE(IsAbsolutePlaylistLine(""));
    // Absolute lines stay exactly as written.
    EXPECT_EQ(ResolvePlaylistLine("//m//a.mp3", "/games/hl", "znk"), "//m//a.mp3");
#endif
    const std::string hl = sep + "games" + sep + "hl";
    EXPECT_EQ(ResolvePlaylistLine("mp3" + sep + "a.mp3", hl, "znk"), hl + sep + "znk" + sep + "mp3" + sep + "a.mp3");
    // Doubled separators of the joined path become single ones, a pair at a time.
    EXPECT_EQ(ResolvePlaylistLine("mp3" + sep + sep + "a.mp3", hl + sep, "znk"),
              hl + sep + "znk" + sep + "mp3" + sep + "a.mp3");
    EXPECT_EQ(ResolvePlaylistLine("mp3" + sep + sep + sep + "a.mp3", hl, "znk"),
              hl + sep + "znk" + sep + "mp3" + sep + sep + "a.mp3");
    EXPECT_EQ(ResolvePlaylistLine("", hl, "znk"), hl + sep + "znk" + sep);
}

TEST_F(PlaylistFiles, SaveWritesEveryEntryWithoutMarker)
{
    WriteText(playlist, "old\r\nlines\r\n");
    ASSERT_TRUE(SavePlaylistFile(playlist, {Abs("a.mp3"), "Invalid: " + Abs("gone.mp3"), "invalid: x", Abs("b.mp3")}));
    EXPECT_EQ(ReadText(playlist),
              Abs("a.mp3") + "\r\n" + Abs("gone.mp3") + "\r\ninvalid: x\r\n" + Abs("b.mp3") + "\r\n");
    ASSERT_TRUE(SavePlaylistFile(playlist, {}));
    EXPECT_EQ(ReadText(playlist), "");
}

TEST_F(PlaylistFiles, AppendAddsOneLineAndNeverJoinsTheLast)
{
    ASSERT_TRUE(AppendToPlaylistFile(playlist, Abs("a.mp3")));
    ASSERT_TRUE(AppendToPlaylistFile(playlist, Abs("a.mp3")));
    EXPECT_EQ(ReadText(playlist), Abs("a.mp3") + "\r\n" + Abs("a.mp3") + "\r\n");
    // A file written elsewhere without a final line break.
    WriteText(playlist, "mp3/first.mp3");
    ASSERT_TRUE(AppendToPlaylistFile(playlist, Abs("b.mp3")));
    EXPECT_EQ(ReadText(playlist), "mp3/first.mp3\r\n" + Abs("b.mp3") + "\r\n");
    WriteText(playlist, "unix.mp3\n");
    ASSERT_TRUE(AppendToPlaylistFile(playlist, Abs("c.mp3")));
    EXPECT_EQ(ReadText(playlist), "unix.mp3\n" + Abs("c.mp3") + "\r\n");
}

TEST_F(PlaylistFiles, RemoveDropsOneLine)
{
    const std::string a = Abs("a.mp3");
    WriteText(playlist, a + "x\r\n" + "mp3/rel.mp3\r\n" + a + "\r\n" + Abs("b.mp3") + "\r\n" + a + "\r\n");
    // The line equal to the entry goes first, even after a longer line that begins with it.
    ASSERT_TRUE(RemovePlaylistLine(playlist, a));
    EXPECT_EQ(ReadText(playlist), a + "x\r\nmp3/rel.mp3\r\n" + Abs("b.mp3") + "\r\n" + a + "\r\n");
    ASSERT_TRUE(RemovePlaylistLine(playlist, a));
    EXPECT_EQ(ReadText(playlist), a + "x\r\nmp3/rel.mp3\r\n" + Abs("b.mp3") + "\r\n");
    // With no equal line left, the first line that begins with it.
    ASSERT_TRUE(RemovePlaylistLine(playlist, a));
    EXPECT_EQ(ReadText(playlist), "mp3/rel.mp3\r\n" + Abs("b.mp3") + "\r\n");
    // A relative line is never found by the full path its entry shows: it stays.
    const std::string shown = ResolvePlaylistLine("mp3/rel.mp3", game, "znk");
    EXPECT_FALSE(RemovePlaylistLine(playlist, shown));
    EXPECT_EQ(ReadText(playlist), "mp3/rel.mp3\r\n" + Abs("b.mp3") + "\r\n");
    // LF line ends are read and written back as CR LF.
    WriteText(playlist, "x.mp3\ny.mp3\n");
    ASSERT_TRUE(RemovePlaylistLine(playlist, "x.mp3"));
    EXPECT_EQ(ReadText(playlist), "y.mp3\r\n");
    // No file: nothing made.
    std::filesystem::remove(playlist);
    EXPECT_FALSE(RemovePlaylistLine(playlist, "y.mp3"));
    EXPECT_FALSE(PathExists(playlist));
}

TEST_F(PlaylistFiles, ClearEmptiesOrCreates)
{
    WriteText(playlist, "a\r\nb\r\n");
    ASSERT_TRUE(ClearPlaylistFile(playlist));
    EXPECT_TRUE(FileExists(playlist));
    EXPECT_EQ(ReadText(playlist), "");
    std::filesystem::remove(playlist);
    ASSERT_TRUE(ClearPlaylistFile(playlist));
    EXPECT_TRUE(FileExists(playlist));
}

TEST_F(PlaylistFiles, MissingMp3FolderIsMadeInsideAnExistingModOnly)
{
    std::filesystem::remove_all(JoinPath(game, "znk", "mp3"));
    ASSERT_TRUE(AppendToPlaylistFile(playlist, Abs("a.mp3")));
    EXPECT_EQ(ReadText(playlist), Abs("a.mp3") + "\r\n");
    const std::string elsewhere = PlaylistFilePath(game, "nomod");
    EXPECT_FALSE(AppendToPlaylistFile(elsewhere, Abs("a.mp3")));
    EXPECT_FALSE(SavePlaylistFile(elsewhere, {Abs("a.mp3")}));
    EXPECT_FALSE(ClearPlaylistFile(elsewhere));
    EXPECT_FALSE(PathExists(JoinPath(game, "nomod")));
}

TEST_F(PlaylistFiles, ImportTextAndM3uKeepsThePathLines)
{
    WriteText(playlist, "old.mp3\r\n");
    const std::string m3u = dir.File("list.m3u");
    WriteText(m3u, "#EXTM3U\r\n#EXTINF:123,Artist - Title\r\nC:\\m\\a.mp3\r\n");
    ASSERT_TRUE(ImportPlaylist(m3u, playlist));
    EXPECT_EQ(ReadText(playlist), "C:\\m\\a.mp3\r\n");

    // Empty lines stay; LF and CR line ends are read; a byte order mark is no part of a line.
    const std::string txt = dir.File("list.txt");
    WriteText(txt, "\xEF\xBB\xBF#EXTM3U\n/m/a.mp3\n\n mp3/b.mp3\r# c\rlast.mp3");
    ASSERT_TRUE(ImportPlaylist(txt, playlist));
    EXPECT_EQ(ReadText(playlist), "/m/a.mp3\r\n\r\n mp3/b.mp3\r\nlast.mp3\r\n");

    // ".PLS" is not "pls": read as text.
    const std::string upper = dir.File("LIST.PLS");
    WriteText(upper, "[playlist]\r\nFile1=/m/a.mp3\r\n");
    ASSERT_TRUE(ImportPlaylist(upper, playlist));
    EXPECT_EQ(ReadText(playlist), "[playlist]\r\nFile1=/m/a.mp3\r\n");

    // An unreadable choice leaves the playlist alone.
    EXPECT_FALSE(ImportPlaylist(dir.File("gone.m3u"), playlist));
    EXPECT_EQ(ReadText(playlist), "[playlist]\r\nFile1=/m/a.mp3\r\n");
}

TEST_F(PlaylistFiles, ImportPlsReadsTheFilesInNumberOrder)
{
    WriteText(playlist, "old.mp3\r\n");
    const std::string pls = dir.File("list.pls");
    WriteText(pls, "[other]\r\nFile1=no\r\n[PlayList]\r\nfile2=/m/b.mp3\r\nTitle1=A\r\nFile1=/m/a.mp3\r\n"
                   "Length1=10\r\nNumberOfEntries=4\r\nFile4=\"/m/d.mp3\"\r\nVersion=2\r\n");
    ASSERT_TRUE(ImportPlaylist(pls, playlist));
    // File3 is missing: an empty line in its place.
    EXPECT_EQ(ReadText(playlist), "/m/a.mp3\r\n/m/b.mp3\r\n\r\n/m/d.mp3\r\n");

    // Values are cut to 1023 characters.
    WriteText(pls, "[playlist]\r\nNumberOfEntries=1\r\nFile1=" + std::string(1500, 'x') + "\r\n");
    ASSERT_TRUE(ImportPlaylist(pls, playlist));
    EXPECT_EQ(ReadText(playlist), std::string(1023, 'x') + "\r\n");

    // No entries (missing, zero or negative count): the playlist stays as it was.
    for (const char* text : {"[playlist]\r\nFile1=/m/a.mp3\r\n", "[playlist]\r\nNumberOfEntries=0\r\nFile1=/a\r\n",
                             "[playlist]\r\nNumberOfEntries=-3\r\nFile1=/a\r\n"}) {
        WriteText(pls, text);
        EXPECT_FALSE(ImportPlaylist(pls, playlist)) << text;
        EXPECT_EQ(ReadText(playlist), std::string(1023, 'x') + "\r\n");
    }

    // A damaged count does not make billions of lines.
    WriteText(pls, "[playlist]\r\nNumberOfEntries=2000000000\r\nFile1=/m/a.mp3\r\n");
    ASSERT_TRUE(ImportPlaylist(pls, playlist));
    EXPECT_EQ(ReadText(playlist).size(), std::string("/m/a.mp3\r\n").size() + 2 * (kMaxPlsEntries - 1));
}

TEST_F(PlaylistFiles, ExportPlsWritesTheKeysInOrder)
{
    const std::string pls = dir.File("out.pls");
    WriteText(pls, "[old]\r\nstays=no\r\n");
#ifdef _WIN32
    const std::string song = "C:\\m\\my.song.mp3";
    const std::string plain = "C:\\m\\noext";
#else
    const std::string song = "/m/my.song.mp3";
    const std::string plain = "/m/noext";
#endif
    ASSERT_TRUE(ExportPlaylist(pls, playlist, {{song, "3:07"}, {"Invalid: " + plain, "???"}}));
    EXPECT_EQ(ReadText(pls), "[playlist]\r\nFile1=" + song + "\r\nLength1=187\r\nTitle1=my.song\r\nFile2=" + plain +
                                 "\r\nLength2=0\r\nTitle2=\r\nNumberOfEntries=2\r\nVersion=2\r\n");
    ASSERT_TRUE(ExportPlaylist(pls, playlist, {}));
    EXPECT_EQ(ReadText(pls), "[playlist]\r\nNumberOfEntries=0\r\nVersion=2\r\n");
}

TEST_F(PlaylistFiles, ExportTextCopiesThePlaylistFile)
{
    WriteText(playlist, Abs("a.mp3") + "\r\nmp3/rel.mp3\nlast.mp3");
    const std::string out = dir.File("copy.m3u");
    ASSERT_TRUE(ExportPlaylist(out, playlist, {{"ignored", "1:00"}}));
    EXPECT_EQ(ReadText(out), Abs("a.mp3") + "\r\nmp3/rel.mp3\r\nlast.mp3\r\n");
    std::filesystem::remove(playlist);
    ASSERT_TRUE(ExportPlaylist(out, playlist, {}));
    EXPECT_EQ(ReadText(out), "");
}

TEST(PlsFields, LengthAndTitle)
{
    EXPECT_EQ(PlsLengthSeconds("3:07"), 187);
    EXPECT_EQ(PlsLengthSeconds("???"), 0);
    EXPECT_EQ(PlsLengthSeconds("12:00"), 720);
    EXPECT_EQ(PlsLengthSeconds("0:59"), 59);
    EXPECT_EQ(PlsLengthSeconds("x:5y"), 5);
    EXPECT_EQ(PlsLengthSeconds("99999999999:0"), 2147483647);
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(PlsTitle(sep + "m" + sep + "my.song.mp3"), "my.song");
    EXPECT_EQ(PlsTitle(sep + "m.d" + sep + "noext"), "");
    EXPECT_EQ(PlsTitle("a.mp3"), "a");
    EXPECT_TRUE(HasPlsExtension(sep + "x" + sep + "a.pls"));
    EXPECT_FALSE(HasPlsExtension(sep + "x.pls" + sep + "a"));
    EXPECT_FALSE(HasPlsExtension("a.PLS"));
    EXPECT_FALSE(HasPlsExtension("a.pls.txt"));
}

// An editor's byte-order mark is not part of the first entry, and stays at the file's start.
TEST_F(PlaylistFiles, AByteOrderMarkHidesNoEntryAndStays)
{
    const std::string bom = "\xEF\xBB\xBF";
    WriteText(playlist, bom + Abs("a.mp3") + "\r\n" + Abs("b.mp3") + "\r\n");
    ASSERT_TRUE(RemovePlaylistLine(playlist, Abs("a.mp3")));
    ASSERT_TRUE(AppendToPlaylistFile(playlist, Abs("c\nd.mp3")));
    EXPECT_EQ(ReadText(playlist), bom + Abs("b.mp3") + "\r\n" + Abs("c d.mp3") + "\r\n");
    ASSERT_TRUE(ClearPlaylistFile(playlist));
    EXPECT_EQ(ReadText(playlist), bom);
}
