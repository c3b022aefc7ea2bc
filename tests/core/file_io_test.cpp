// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_io.h"
#include "core/path.h"

#include "test_support/work_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

std::set<std::string> Listing(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// MinGW's std::filesystem cannot make links, Wine's CreateSymbolicLinkW reports success and
// makes nothing, and a real Windows needs a privilege for them: the tests of writes through links
// run where links are plain.
#ifdef _WIN32
constexpr bool kLinks = false;
#define SKIP_WITHOUT_SYMBOLIC_LINKS() GTEST_SKIP() << "symbolic links cannot be made here"
#else
constexpr bool kLinks = true;
#define SKIP_WITHOUT_SYMBOLIC_LINKS()
#endif

bool IsLink(const std::string& path)
{
    std::error_code error;
    return fs::is_symlink(fs::symlink_status(path, error));
}

unsigned Mode(const std::string& path)
{
    return static_cast<unsigned>(fs::status(path).permissions() & fs::perms::mask);
}

void SetMode(const std::string& path, unsigned mode)
{
    fs::permissions(path, static_cast<fs::perms>(mode));
}

} // namespace

#ifndef _WIN32
// A save killed half-way (here by the file size limit, which stops the process inside write())
// leaves the old file as it was and a temporary file that the next start recognises and removes.
TEST(FileIoTempFiles, KilledWriteLeavesOneRecognisableTempFile)
{
    ScopedWorkDir dir;
    WriteText(dir.File("Servers.ini"), "[Servers]\r\nTotal=1\r\n");

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        WriteFileAtomic(dir.File("Servers.ini"), std::string(1 << 20, 'x'));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "the write should have been cut off";

    EXPECT_EQ(ReadText(dir.File("Servers.ini")), "[Servers]\r\nTotal=1\r\n");
    const std::set<std::string> left = Listing(dir.Path());
    ASSERT_EQ(left.size(), 2u);
    const std::string temp =
        *std::find_if(left.begin(), left.end(), [](const std::string& n) { return n != "Servers.ini"; });
    const std::string prefix = std::string("Servers.ini") + kTempFileMarker;
    EXPECT_EQ(temp.substr(0, prefix.size()), prefix);
    EXPECT_EQ(temp.size(), prefix.size() + 6);

    EXPECT_EQ(RemoveStaleTempFiles(dir.Path(), {"znktool.conf", "Servers.ini", "ServersDB.ini", "Friends.txt"}), 1);
    EXPECT_EQ(Listing(dir.Path()), (std::set<std::string>{"Servers.ini"}));
}
#endif

TEST(FileIoTempFiles, RemovesOnlyTheTempFilesOfTheNamedFiles)
{
    ScopedWorkDir dir;
    const std::string m = kTempFileMarker;
    const std::set<std::string> stale = {"znktool.conf" + m + "a8Zq0C", "Servers.ini" + m + "000000",
                                         "ServersDB.ini" + m + "ZZZZZZ", "Friends.txt" + m + "zz09AZ"};
    std::set<std::string> userFiles = {
        "znktool.conf",
        "Servers.ini",
        "Friends.txt",
        "Servers.ini" + m + "00000",   // one letter short
        "Servers.ini" + m + "0000000", // one letter long
        "Servers.ini" + m + "00-000",  // not a letter or digit
        "Servers.ini" + m + "00 000",
        "xServers.ini" + m + "000000",
        "Other.ini" + m + "000000", // a file the caller did not name
        "Servers.ini.tmp000000",
        "Servers.ini" + m + "000000.bak",
        "Servers.ini" + m,
    };
#ifndef _WIN32
    // Another file's name (names are exact); on Windows it is the same file.
    userFiles.insert("servers.ini" + m + "000000");
#endif
    for (const std::string& name : stale)
        WriteText(dir.File(name), "half");
    for (const std::string& name : userFiles)
        WriteText(dir.File(name), "mine");
    // Names of the pattern that are no regular file are not ours either.
    ASSERT_TRUE(fs::create_directory(dir.File("Friends.txt" + m + "dir123")));
    std::set<std::string> expected = userFiles;
    expected.insert("Friends.txt" + m + "dir123");

    // ServersDB.ini is a link to a file elsewhere; a write through it leaves its temp file there.
    ScopedWorkDir other;
    WriteText(other.File("real.ini"), "real");
    WriteText(other.File("real.ini" + m + "xYz789"), "half");
    WriteText(other.File("keep.ini" + m + "xYz789"), "mine");
    if (kLinks) {
        fs::create_symlink("znktool.conf", dir.File("znktool.conf" + m + "link12"));
        fs::create_symlink(other.File("real.ini"), dir.File("ServersDB.ini"));
        expected.insert({"znktool.conf" + m + "link12", "ServersDB.ini"});
    }

    EXPECT_EQ(RemoveStaleTempFiles(dir.Path(), {"znktool.conf", "Servers.ini", "ServersDB.ini", "Friends.txt"}),
              kLinks ? 5 : 4);

    EXPECT_EQ(Listing(dir.Path()), expected);
    for (const std::string& name : userFiles)
        EXPECT_EQ(ReadText(dir.File(name)), "mine") << name;
    if (kLinks) {
        EXPECT_EQ(Listing(other.Path()), (std::set<std::string>{"real.ini", "keep.ini" + m + "xYz789"}));
    }

    EXPECT_EQ(RemoveStaleTempFiles(dir.File("missing-folder"), {"Servers.ini"}), 0);
}

TEST(FileIoLinks, WritesThroughLinksAndKeepsThem)
{
    SKIP_WITHOUT_SYMBOLIC_LINKS();
    ScopedWorkDir a;
    ScopedWorkDir b;
    WriteText(b.File("real.ini"), "old");
    SetMode(b.File("real.ini"), 0640);
    // A relative link is taken from the link's own folder, whatever the current one is.
    const std::string relative = fs::relative(b.File("real.ini"), a.Path()).string();
    fs::create_symlink(relative, a.File("link.ini"));
    fs::create_symlink("link.ini", a.File("chain.ini"));

    ASSERT_TRUE(WriteFileAtomic(a.File("link.ini"), "new"));
    EXPECT_TRUE(IsLink(a.File("link.ini")));
    EXPECT_EQ(fs::read_symlink(a.File("link.ini")).string(), relative);
    EXPECT_EQ(ReadText(b.File("real.ini")), "new");
    EXPECT_EQ(Mode(b.File("real.ini")), 0640u);

    ASSERT_TRUE(WriteFileAtomic(a.File("chain.ini"), "newer"));
    EXPECT_TRUE(IsLink(a.File("chain.ini")));
    EXPECT_TRUE(IsLink(a.File("link.ini")));
    EXPECT_EQ(ReadText(b.File("real.ini")), "newer");
    // No temporary file is left in either folder.
    EXPECT_EQ(Listing(a.Path()), (std::set<std::string>{"link.ini", "chain.ini"}));
    EXPECT_EQ(Listing(b.Path()), (std::set<std::string>{"real.ini"}));

    SetMode(b.File("real.ini"), 0444);
    EXPECT_FALSE(WriteFileAtomic(a.File("chain.ini"), "refused"));
    EXPECT_EQ(ReadText(b.File("real.ini")), "newer");
    EXPECT_TRUE(IsLink(a.File("link.ini")) && IsLink(a.File("chain.ini")));
    SetMode(b.File("real.ini"), 0644);
}

TEST(FileIoLinks, LinksThatLeadNowhereAreRefused)
{
    SKIP_WITHOUT_SYMBOLIC_LINKS();
    ScopedWorkDir a;
    ScopedWorkDir b;
    fs::create_symlink(b.File("missing.ini"), a.File("dangling.ini"));
    fs::create_symlink("loop.ini", a.File("loop.ini"));

    EXPECT_FALSE(WriteFileAtomic(a.File("dangling.ini"), "data"));
    EXPECT_FALSE(WriteFileAtomic(a.File("loop.ini"), "data"));
    EXPECT_TRUE(IsLink(a.File("dangling.ini")));
    EXPECT_TRUE(IsLink(a.File("loop.ini")));
    EXPECT_EQ(Listing(a.Path()), (std::set<std::string>{"dangling.ini", "loop.ini"}));
    EXPECT_TRUE(Listing(b.Path()).empty());
}

#ifndef _WIN32

// A folder the user may not write (as for a game installed by another account) can still hold
// files they may: those are rewritten in place through a journal entry in the working folder; a
// file that is read-only as well is left alone, and so is every file when no entry can be made.
TEST(FileIoInPlace, AWritableFileInAReadOnlyFolderIsRewrittenInPlaceThroughTheJournal)
{
    TempDir dir;
    const std::string folder = dir.File("game");
    const std::string work = dir.File("work");
    fs::create_directory(folder);
    fs::create_directory(work);
    const std::string config = JoinPath(folder, "config.cfg");
    WriteText(config, "old text that is longer");
    WriteText(JoinPath(folder, "locked.cfg"), "locked");
    ::chmod(config.c_str(), 0666);
    ::chmod(JoinPath(folder, "locked.cfg").c_str(), 0444);
    ::chmod(dir.Path().c_str(), 0755);
    ::chmod(work.c_str(), 0777);
    ::chmod(folder.c_str(), 0555);

    // Root may write any folder: the writes are made by an ordinary user.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        SetRewriteJournalFolder("");
        const bool withoutJournal = WriteFileAtomic(config, "unsafe");
        SetRewriteJournalFolder(folder); // no entry can be made there either
        const bool journalUnwritable = WriteFileAtomic(config, "unsafe");
        const bool untouched = ReadText(config) == "old text that is longer";
        SetRewriteJournalFolder(work);
        const bool rewritten = WriteFileAtomic(config, "new");
        const bool locked = WriteFileAtomic(JoinPath(folder, "locked.cfg"), "new");
        ::_exit(!withoutJournal && !journalUnwritable && untouched && rewritten && !locked ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::chmod(folder.c_str(), 0755);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadText(config), "new");
    EXPECT_EQ(ReadText(JoinPath(folder, "locked.cfg")), "locked");
    EXPECT_EQ(Listing(folder), (std::set<std::string>{"config.cfg", "locked.cfg"}));
    // The entry went once the file was whole.
    EXPECT_TRUE(Listing(work).empty());
}
#endif

namespace {

// An entry as a run that crashed after writing it would have left it.
std::string WriteEntry(const std::string& target, const std::string& data)
{
    const std::string entry = WriteRewriteJournal(target, data);
    EXPECT_FALSE(entry.empty());
    return entry;
}

} // namespace

// What crashed runs left: the newest entry of a file is written, entries that cannot be written
// now stay (and go once the file is written otherwise), the rest go.
TEST(FileIoJournal, EntriesThatCannotBeCompletedStayUntilTheirFileIsWritten)
{
    TempDir work;
    TempDir game;
    SetRewriteJournalFolder(work.Path());
    const std::string twice = game.File("twice.cfg");
    const std::string locked = game.File("locked.cfg");
    const std::string deleted = game.File("deleted.cfg");
    const std::string unmounted = JoinPath(game.File("drive"), "away.cfg");
    for (const std::string& file : {twice, locked, deleted})
        WriteText(file, "mixed");
    MakeFolders(game.File("drive"));
    WriteText(unmounted, "mixed");

    WriteEntry(twice, "older");
    const std::string newer = WriteEntry(twice, "newer");
    const std::string lockedEntry = WriteEntry(locked, "unlocked");
    WriteEntry(deleted, "back");
    const std::string awayEntry = WriteEntry(unmounted, "mounted");
    RemoveFile(deleted);
    fs::remove_all(game.File("drive"));
    SetMode(locked, 0444);
    // Cut off while being made, and damaged: neither can be completed.
    const std::string cut = fs::path(newer).filename().string() + kTempFileMarker + "a1B2c3";
    WriteText(work.File(cut), "half");
    const std::string damaged = WriteEntry(game.File("damaged.cfg"), "whole");
    const std::string damagedText = ReadText(damaged);
    WriteText(damaged, damagedText.substr(0, damagedText.size() - 1));
    const std::string alike = std::string(kRewriteJournalPrefix) + "abc" + kRewriteJournalSuffix;
    WriteText(work.File(alike), "someone else's");

    EXPECT_EQ(CompleteInterruptedRewrites(work.Path()), 1);
    EXPECT_EQ(ReadText(twice), "newer");
    EXPECT_EQ(ReadText(locked), "mixed");
    EXPECT_FALSE(PathExists(deleted));
    EXPECT_FALSE(PathExists(game.File("damaged.cfg")));
    EXPECT_EQ(Listing(work.Path()), (std::set<std::string>{fs::path(lockedEntry).filename().string(),
                                                           fs::path(awayEntry).filename().string(), alike}));

    // A write of the file that works makes its entry void: it would bring back an older text.
    SetMode(locked, 0644);
    ASSERT_TRUE(WriteFileAtomic(locked, "written since"));
    EXPECT_EQ(Listing(work.Path()), (std::set<std::string>{fs::path(awayEntry).filename().string(), alike}));
    EXPECT_EQ(CompleteInterruptedRewrites(work.Path()), 0);
    EXPECT_EQ(ReadText(locked), "written since");
    SetRewriteJournalFolder("");
}
