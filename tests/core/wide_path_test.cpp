// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_io.h"
#include "core/path.h"
#include "core/text_file.h"
#include "core/wide_path.h"

#include "test_support/work_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(WidePath, ConvertsEveryScriptBothWays)
{
    // The emoji is two UTF-16 units on Windows, one UTF-32 unit elsewhere.
    const std::pair<std::string, std::wstring> table[] = {
        {"", L""},         {"hl.exe", L"hl.exe"},        {"C:\\Jeux\\Café Ж\\hl.exe", L"C:\\Jeux\\Café Ж\\hl.exe"},
        {"游戏", L"游戏"}, {"🎮 pad", L"\U0001F3AE pad"},
    };
    for (const auto& [utf8, wide] : table) {
        EXPECT_EQ(Widen(utf8), wide) << utf8;
        EXPECT_EQ(Narrow(wide), utf8) << utf8;
        EXPECT_EQ(Utf8FromPath(PathFromUtf8(utf8)), utf8);
    }
    // Malformed text is never cut short: each bad sequence stands as U+FFFD.
    EXPECT_EQ(Widen("a\xFF"
                    "b"),
              L"a\uFFFDb");
    EXPECT_EQ(Widen("end\xC3"), L"end\uFFFD");
    EXPECT_EQ(Narrow(std::wstring(L"x") + static_cast<wchar_t>(0xD800) + L"y"), "x\xEF\xBF\xBD"
                                                                                "y");
}

// The game found in a folder of any name, or deep below: its files are found, read, replaced and
// removed. On Windows this is what the wide functions and the long-path prefix are for.
TEST(WidePath, FilesUnderAnyNameAndBeyondTheOldPathLimit)
{
    TempDir dir;
    std::string deep = dir.Path();
    while (deep.size() < 300)
        deep = JoinPath(deep, "dossier très long Ж 0123456789 abcdefghijklmnopqrstuvwxyz");
    const std::vector<std::string> folders = {dir.File("Café Ж"), dir.File("游戏 フォルダ"), dir.File("🎮"), deep};
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        MakeFolders(folder);
        const std::string file = JoinPath(folder, "réglages Ж.cfg");
        EXPECT_FALSE(FileExists(file));
        ASSERT_TRUE(WriteFileAtomic(file, "name \"Jöhn\"\r\n"));
        EXPECT_TRUE(FileExists(file));
        EXPECT_TRUE(PathExists(file));
        EXPECT_TRUE(FolderExists(folder));
        EXPECT_FALSE(FolderExists(file));
        EXPECT_FALSE(IsReadOnlyFile(file));
        std::string text;
        ASSERT_TRUE(ReadWholeFile(file, text));
        EXPECT_EQ(text, "name \"Jöhn\"\r\n");
        // Replaced through the temporary file and the rename: the name on disk is the one asked for.
        ASSERT_TRUE(WriteFileAtomic(file, "name \"Ж\"\r\n"));
        std::vector<std::string> lines;
        ASSERT_TRUE(ReadTextLines(file, lines));
        EXPECT_EQ(lines, std::vector<std::string>{"name \"Ж\""});
        const std::vector<FolderEntry> entries = ListFolder(folder);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].name, "réglages Ж.cfg");
        EXPECT_EQ(entries[0].kind, FolderEntry::Kind::File);

        WriteText(file + kTempFileMarker + "a8Zq0C", "half");
        EXPECT_EQ(RemoveStaleTempFiles(folder, {"réglages Ж.cfg"}), 1);
        EXPECT_TRUE(RemoveFile(file));
        EXPECT_FALSE(PathExists(file));
    }
}

// What a library that opens files itself (the tag reader) is given: on Windows a name past the
// old limit carries the long-path prefix, absolute and with '\' only, or that library fails there.
TEST(NativeFileName, PastTheOldPathLimitTheNameCarriesTheLongPathPrefix)
{
    TempDir dir;
    std::string deep = dir.Path();
    while (deep.size() < 300)
        deep = JoinPath(deep, "dossier très long Ж 0123456789 abcdefghijklmnopqrstuvwxyz");
    MakeFolders(deep);
    const std::string file = JoinPath(deep, "piste 游戏.mp3");
    WriteText(file, "ID3 and more");
#ifdef _WIN32
    const std::pair<std::string, std::wstring> table[] = {
        {"C:\\Music\\a.mp3", L"C:\\Music\\a.mp3"},
        {file, L"\\\\?\\" + Widen(file)},
        {"\\\\server\\share\\" + std::string(270, 's'), L"\\\\?\\UNC\\server\\share\\" + std::wstring(270, L's')},
        {"C:\\bad \xFF name.mp3", L""},
    };
    for (const auto& [utf8, expected] : table)
        EXPECT_EQ(NativeFileName(utf8), expected) << utf8;
#else
    EXPECT_EQ(NativeFileName("/music/bad \xFF name.mp3"), "/music/bad \xFF name.mp3");
#endif
    // The checks before the library opens it reach as deep.
    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(FileSize(file), 12);
    EXPECT_EQ(FileSize(deep), -1);
    EXPECT_EQ(FileSize(JoinPath(deep, "missing.mp3")), -1);
}
