#include "gameconfig/hl_scanner.h"

#include "core/path.h"

#include <QTemporaryDir>
#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kName = "hl.sh";

// A scratch tree under a fresh temporary folder; paths are relative to it.
class Tree {
public:
    Tree() { EXPECT_TRUE(dir_.isValid()); }
    std::string Root() const { return dir_.path().toStdString(); }
    std::string At(const std::string& rel) const { return JoinPath(Root(), rel); }

    void Folder(const std::string& rel) const
    {
        std::string sofar = Root();
        size_t start = 0;
        while (start <= rel.size()) {
            const size_t slash = rel.find('/', start);
            sofar = JoinPath(sofar, rel.substr(start, slash - start));
            ::mkdir(sofar.c_str(), 0755);
            if (slash == std::string::npos)
                break;
            start = slash + 1;
        }
    }
    void File(const std::string& rel) const
    {
        const size_t slash = rel.rfind('/');
        if (slash != std::string::npos)
            Folder(rel.substr(0, slash));
        std::ofstream(At(rel)) << "#!/bin/sh\n";
    }
    void Link(const std::string& target, const std::string& rel) const
    {
        ASSERT_EQ(::symlink(target.c_str(), At(rel).c_str()), 0) << rel;
    }

private:
    QTemporaryDir dir_;
};

// What one scan reported.
struct Scan {
    std::vector<std::string> entered;
    std::vector<std::string> found;
};

Scan ScanAll(const std::string& root, const std::vector<std::string>& skip = {})
{
    std::atomic<bool> stop{false};
    CHLScanner scanner(kName, stop);
    scanner.SetSkipFolders(skip);
    Scan scan;
    scanner.onEnterFolder = [&](const std::string& f) { scan.entered.push_back(f); };
    scanner.onFound = [&](const std::string& p) { scan.found.push_back(p); };
    scanner.ScanFolder(root);
    return scan;
}

// The names in a folder in the order the file system lists them.
std::vector<std::string> ReaddirOrder(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    while (const dirent* e = dir ? ::readdir(dir) : nullptr) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    if (dir)
        ::closedir(dir);
    return names;
}

std::vector<std::string> Sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

} // namespace

// -- Which files are listed ------------------------------------------------------------------

TEST(HLScannerFind, ListsEveryInstallInEnumerationOrder)
{
    Tree t;
    const std::vector<std::string> tops = {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot"};
    for (const std::string& top : tops)
        t.File(top + "/game/" + kName);
    t.Folder("empty/sub");

    const Scan scan = ScanAll(t.Root());

    std::vector<std::string> expected;
    for (const std::string& name : ReaddirOrder(t.Root()))
        if (name != "empty")
            expected.push_back(t.At(name + "/game/" + kName));
    EXPECT_EQ(scan.found, expected);
}

TEST(HLScannerFind, ScansEachSubfolderCompletelyBeforeTheNextEntry)
{
    Tree t;
    for (const char* top : {"a", "b", "c", "d"}) {
        t.Folder(std::string(top) + "/x/y");
        t.Folder(std::string(top) + "/z");
    }

    const Scan scan = ScanAll(t.Root());

    // Depth first: everything below a folder is entered right after it, in one block.
    ASSERT_EQ(scan.entered.size(), 1u + 4u * 4u);
    EXPECT_EQ(scan.entered.front(), t.Root());
    for (size_t i = 0; i < scan.entered.size(); ++i) {
        const std::string prefix = scan.entered[i] + "/";
        size_t end = i + 1;
        while (end < scan.entered.size() && scan.entered[end].rfind(prefix, 0) == 0)
            ++end;
        for (size_t j = end; j < scan.entered.size(); ++j)
            EXPECT_NE(scan.entered[j].rfind(prefix, 0), 0u)
                << scan.entered[j] << " entered after leaving " << scan.entered[i];
    }
}

TEST(HLScannerFind, MatchesTheExactNameOnly)
{
    Tree t;
    t.File("one/HL.SH");
    t.File("two/Hl.sh");
    t.File("three/hl.sh.bak");
    t.File("four/xhl.sh");
    t.File("five/hl.sh");

    const Scan scan = ScanAll(t.Root());

    EXPECT_EQ(scan.found, std::vector<std::string>{t.At("five/hl.sh")});
}

TEST(HLScannerFind, FolderNamedLikeTheExecutableIsScannedButNotListed)
{
    Tree t;
    t.File("hl.sh/hl.sh");

    const Scan scan = ScanAll(t.Root());

    EXPECT_EQ(scan.found, std::vector<std::string>{t.At("hl.sh/hl.sh")});
}

TEST(HLScannerFind, ReportsTheRootAndFullPaths)
{
    Tree t;
    t.File("hl.sh");
    t.File("Games/HalfLife/hl.sh");

    const Scan scan = ScanAll(t.Root() + "/");

    // A root given with a trailing separator still yields clean paths.
    EXPECT_EQ(Sorted(scan.found), Sorted({t.At("hl.sh"), t.At("Games/HalfLife/hl.sh")}));
}

// -- Links -----------------------------------------------------------------------------------

TEST(HLScannerLinks, LinkLoopEndsAndListsNothingTwice)
{
    Tree t;
    t.File("a/hl.sh");
    t.Folder("a/b");
    t.Link(t.At("a"), "a/b/loop");
    t.Link("..", "a/b/up");

    const Scan scan = ScanAll(t.Root());

    EXPECT_EQ(scan.found, std::vector<std::string>{t.At("a/hl.sh")});
    EXPECT_EQ(Sorted(scan.entered), Sorted({t.Root(), t.At("a"), t.At("a/b")}));
}

TEST(HLScannerLinks, LinkToAFolderIsNotEntered)
{
    Tree t;
    QTemporaryDir elsewhere;
    const std::string outside = JoinPath(elsewhere.path().toStdString(), "hl.sh");
    std::ofstream(outside) << "x";
    t.Folder("games");
    t.Link(elsewhere.path().toStdString(), "games/linked");

    const Scan scan = ScanAll(t.Root());

    EXPECT_TRUE(scan.found.empty());
}

TEST(HLScannerLinks, LinkNamedLikeTheExecutableListedOnlyWhenItLeadsToAFile)
{
    Tree t;
    t.File("real/hl_linux.sh");
    t.Folder("good");
    t.Link(t.At("real/hl_linux.sh"), "good/hl.sh");
    t.Folder("dangling");
    t.Link(t.At("missing"), "dangling/hl.sh");
    t.Folder("tofolder");
    t.Link(t.At("real"), "tofolder/hl.sh");

    const Scan scan = ScanAll(t.Root());

    EXPECT_EQ(scan.found, std::vector<std::string>{t.At("good/hl.sh")});
}

TEST(HLScannerLinks, RootReachedThroughALinkIsScanned)
{
    Tree t;
    t.File("home/user/hl.sh");
    t.Link(t.At("home/user"), "userlink");

    const Scan scan = ScanAll(t.At("userlink"));

    EXPECT_EQ(scan.found, std::vector<std::string>{t.At("userlink/hl.sh")});
}

// -- Skipped and unreadable folders ----------------------------------------------------------

TEST(HLScannerSkip, SkipFoldersAreNotEnteredBelowARoot)
{
    Tree t;
    t.File("proc/hl.sh");
    t.File("home/me/hl.sh");
    t.File("usr/games/hl.sh");

    // Home spelled with a trailing separator: still the same folder.
    const Scan scan = ScanAll(t.Root(), {t.At("proc"), t.At("home/me") + "/"});

    EXPECT_EQ(scan.found, std::vector<std::string>{t.At("usr/games/hl.sh")});
    for (const std::string& f : scan.entered)
        EXPECT_EQ(f.find("/proc"), std::string::npos) << f;
}

TEST(HLScannerSkip, SkipFolderNamedThroughALinkIsStillSkipped)
{
    Tree t;
    t.File("data/home/hl.sh");
    t.File("data/other/hl.sh");
    t.Link(t.At("data/home"), "homelink");

    const Scan scan = ScanAll(t.At("data"), {t.At("homelink")});

    EXPECT_EQ(scan.found, std::vector<std::string>{t.At("data/other/hl.sh")});
}

TEST(HLScannerSkip, ARootThatIsAlsoASkipFolderIsScanned)
{
    // The home folder is scanned first and then skipped under "/".
    Tree t;
    t.File("home/hl.sh");

    const Scan scan = ScanAll(t.At("home"), {t.At("home")});

    EXPECT_EQ(scan.found, std::vector<std::string>{t.At("home/hl.sh")});
}

TEST(HLScannerSkip, MissingRootReportsNothing)
{
    Tree t;
    const Scan scan = ScanAll(t.At("nowhere"));
    EXPECT_TRUE(scan.entered.empty());
    EXPECT_TRUE(scan.found.empty());
}

TEST(HLScannerSkip, UnreadableFolderIsSkippedAndTheRestScanned)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not apply to root";
    Tree t;
    t.File("closed/hl.sh");
    t.File("open/hl.sh");
    ::chmod(t.At("closed").c_str(), 0);

    const Scan scan = ScanAll(t.Root());
    ::chmod(t.At("closed").c_str(), 0755);

    EXPECT_EQ(scan.found, std::vector<std::string>{t.At("open/hl.sh")});
}

// -- Stopping --------------------------------------------------------------------------------

TEST(HLScannerStop, StopRequestedBeforeTheScanReportsNothing)
{
    Tree t;
    t.File("a/hl.sh");
    std::atomic<bool> stop{true};
    CHLScanner scanner(kName, stop);
    int calls = 0;
    scanner.onEnterFolder = [&](const std::string&) { ++calls; };
    scanner.onFound = [&](const std::string&) { ++calls; };

    scanner.ScanFolder(t.Root());

    EXPECT_EQ(calls, 0);
}

TEST(HLScannerStop, StopDuringTheScanEndsItBeforeTheNextEntry)
{
    Tree t;
    t.File("wide/hl.sh");
    for (int i = 0; i < 40; ++i)
        t.File("wide/f" + std::to_string(i) + "/hl.sh");
    std::atomic<bool> stop{false};
    CHLScanner scanner(kName, stop);
    std::vector<std::string> found;
    int enteredAfterStop = 0;
    scanner.onEnterFolder = [&](const std::string&) { enteredAfterStop += stop ? 1 : 0; };
    scanner.onFound = [&](const std::string& p) {
        found.push_back(p);
        stop = true;
    };

    scanner.ScanFolder(t.Root());

    EXPECT_EQ(found.size(), 1u);
    EXPECT_EQ(enteredAfterStop, 0);
}

// -- Throttling of the status line ------------------------------------------------------------

TEST(HLScannerThrottle, PassesTheFirstAndThenAtMostOncePerInterval)
{
    using namespace std::chrono_literals;
    CRateLimiter limiter(30ms);
    const auto t0 = CRateLimiter::Clock::time_point{} + 1h;

    EXPECT_TRUE(limiter.Allow(t0));
    EXPECT_FALSE(limiter.Allow(t0 + 1ms));
    EXPECT_FALSE(limiter.Allow(t0 + 29ms));
    EXPECT_TRUE(limiter.Allow(t0 + 30ms));
    EXPECT_FALSE(limiter.Allow(t0 + 59ms));
    EXPECT_TRUE(limiter.Allow(t0 + 100ms));
}
