// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconfig/model/hl_scanner.h"

#include "core/path.h"
#include "core/wide_path.h"
#include "test_support/work_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using Paths = std::vector<std::string>;

// A scratch tree; paths are relative to a fresh temporary folder, written with '/' and given
// out with the system's separator, as the scanner reports them.
struct Tree {
    TempDir dir;
    std::string At(std::string rel = "") const
    {
        std::replace(rel.begin(), rel.end(), '/', kPathSeparator);
        return JoinPath(dir.Path(), rel);
    }
    void Folder(const std::string& rel) const { MakeFolders(At(rel)); }
    std::string File(const std::string& rel) const
    {
        if (rel.find('/') != std::string::npos)
            Folder(rel.substr(0, rel.rfind('/')));
        WriteText(At(rel), "#!/bin/sh\n");
        return At(rel);
    }
    void Link(const std::string& target, const std::string& rel) const
    {
        std::error_code error;
        std::filesystem::create_symlink(PathFromUtf8(target), PathFromUtf8(At(rel)), error);
        ASSERT_FALSE(error) << error.message();
    }
};

#ifdef _WIN32
// MinGW's std::filesystem cannot make links, Wine's CreateSymbolicLinkW reports success and
// makes nothing, and a real Windows needs a privilege for them.
#define SKIP_WITHOUT_SYMBOLIC_LINKS() GTEST_SKIP() << "symbolic links cannot be made here"
#else
#define SKIP_WITHOUT_SYMBOLIC_LINKS()
#endif

Paths Found(const std::string& root, const Paths& skip = {}, std::atomic<bool>* stop = nullptr)
{
    std::atomic<bool> never{false};
    CHLScanner scanner("hl.sh", stop ? *stop : never);
    scanner.SetSkipFolders(skip);
    Paths found;
    scanner.onFound = [&](const std::string& p) { found.push_back(p); };
    scanner.ScanFolder(root);
    return found;
}

} // namespace

TEST(HLScanner, ListsExactNameMatchesInEnumerationOrderNotSorted)
{
    Tree t;
    for (const char* top : {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot"})
        t.File(std::string(top) + "/game/hl.sh");
    t.File("golf/HL.SH");
    t.File("golf/Hl.sh");
    t.File("golf/hl.sh.bak");
    t.File("hotel/hl.sh/hl.sh"); // a folder so named is not a copy, but is searched

    Paths expected;
    for (const FolderEntry& entry : ListFolder(t.At())) {
        const std::string& name = entry.name;
        if (name == "hotel")
            expected.push_back(t.At("hotel/hl.sh/hl.sh"));
        else if (name != "golf")
            expected.push_back(t.At(name + "/game/hl.sh"));
    }

    EXPECT_EQ(Found(t.At()), expected);
}

TEST(HLScanner, NeverFollowsLinksButListsALinkedExecutable)
{
    SKIP_WITHOUT_SYMBOLIC_LINKS();
    Tree t;
    t.File("a/hl.sh");
    t.Folder("a/b");
    t.Link(t.At("a"), "a/b/loop");
    t.Link("..", "a/b/up");
    TempDir outside;
    WriteText(JoinPath(outside.Path(), "hl.sh"), "x");
    t.Link(outside.Path(), "linked");
    t.File("real/hl_linux");
    t.Folder("good");
    t.Link(t.At("real/hl_linux"), "good/hl.sh");
    t.Folder("dangling");
    t.Link(t.At("missing"), "dangling/hl.sh");
    t.Folder("tofolder");
    t.Link(t.At("real"), "tofolder/hl.sh");

    Paths found = Found(t.At());
    std::sort(found.begin(), found.end());

    EXPECT_EQ(found, Paths({t.At("a/hl.sh"), t.At("good/hl.sh")}));
}

TEST(HLScanner, SkipFoldersAreSkippedBelowTheRootInAnySpelling)
{
    SKIP_WITHOUT_SYMBOLIC_LINKS();
    Tree t;
    t.File("root/proc/hl.sh");
    t.File("root/home/me/hl.sh");
    t.File("root/data/hl.sh");
    t.File("root/usr/games/hl.sh");
    t.Link(t.At("root/data"), "datalink");

    EXPECT_EQ(Found(t.At("root"), {t.At("root/proc"), t.At("root/home/me") + "/", t.At("datalink")}),
              Paths{t.At("root/usr/games/hl.sh")});
    // The home folder is scanned first as a root of its own, even through a link to it.
    t.Link(t.At("root/home/me"), "homelink");
    EXPECT_EQ(Found(t.At("homelink"), {t.At("root/home/me")}), Paths{t.At("homelink/hl.sh")});
}

TEST(HLScanner, UnreadableFolderIsSkippedSilently)
{
#ifdef _WIN32
    GTEST_SKIP() << "a folder is closed by its access list on Windows, which chmod() does not set";
#else
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    Tree t;
    t.File("closed/hl.sh");
    t.File("open/hl.sh");
    ::chmod(t.At("closed").c_str(), 0);
    const Paths found = Found(t.At());
    ::chmod(t.At("closed").c_str(), 0755);
    EXPECT_EQ(found, Paths{t.At("open/hl.sh")});
#endif
}

TEST(HLScanner, StopEndsTheScanBeforeTheNextEntry)
{
    Tree t;
    t.File("wide/hl.sh");
    for (int i = 0; i < 40; ++i)
        t.Folder("wide/f" + std::to_string(i) + "/g");
    std::atomic<bool> stop{false};
    CHLScanner scanner("hl.sh", stop);
    int reportsAfterStop = 0;
    // Stopped on entering the first subfolder: neither its contents nor any later entry of
    // its parent (the file included) may be reported.
    scanner.onEnterFolder = [&](const std::string& folder) {
        reportsAfterStop += stop ? 1 : 0;
        if (folder.find(std::string(1, kPathSeparator) + "wide" + kPathSeparator + "f") != std::string::npos)
            stop = true;
    };
    scanner.onFound = [&](const std::string&) { reportsAfterStop += stop ? 1 : 0; };

    scanner.ScanFolder(t.At());

    EXPECT_EQ(reportsAfterStop, 0);
}

TEST(HLScanner, RateLimiterPassesTheFirstAndThenOncePerInterval)
{
    using namespace std::chrono_literals;
    CRateLimiter limiter(30ms);
    const auto t0 = CRateLimiter::Clock::time_point{} + 1h;
    EXPECT_TRUE(limiter.Allow(t0));
    EXPECT_FALSE(limiter.Allow(t0 + 29ms));
    EXPECT_TRUE(limiter.Allow(t0 + 30ms));
    EXPECT_FALSE(limiter.Allow(t0 + 59ms));
    EXPECT_TRUE(limiter.Allow(t0 + 100ms));
}
