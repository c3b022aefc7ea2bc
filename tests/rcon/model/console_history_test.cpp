// SPDX-License-Identifier: GPL-3.0-or-later
#include "rcon/model/console_history.h"
#include "test_support/work_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using Lines = std::vector<std::string>;
const std::string kA = "127.0.0.1:27015";
const std::string kB = "127.0.0.2:27016";

} // namespace

TEST(ConsoleHistory, KeepsWhatWasSentButNeverThePassword)
{
    const struct {
        Lines sent;
        Lines kept;
    } cases[] = {
        {{"status", "users", "status", "status"}, {"status", "users", "status"}},
        {{"", "   ", "say a\tb", "say a\rb", "say a\nb"}, {}},
        {{"rcon_password x", "  RCON_Password x", "\"rcon_password\" x", "echo; Rcon_Password y"}, {}},
        {{"sv_password x", "echo; SV_Password \"y\"", "sv_passwor"}, {"sv_passwor"}},
        {{"rcon_passwor", std::string(4096 - kA.size() - 1, 'x'), std::string(4096 - kA.size(), 'x')},
         {"rcon_passwor", std::string(4096 - kA.size() - 1, 'x')}},
    };
    for (const auto& c : cases) {
        ConsoleHistory h;
        for (const std::string& command : c.sent)
            h.Add(kA, command);
        EXPECT_EQ(h.Commands(kA), c.kept) << c.sent.front();
    }

    ConsoleHistory h;
    for (int i = 0; i < 205; ++i)
        h.Add(kA, "say " + std::to_string(i));
    h.Add(kB, "status");
    EXPECT_EQ(h.Commands(kA).size(), ConsoleHistory::kMaxPerServer);
    EXPECT_EQ(h.Commands(kA).front(), "say 5");
    EXPECT_EQ(h.Commands(kB), Lines{"status"});
}

TEST(ConsoleHistory, FileKeepsTheBytesAndLosesOnlyTheBadLines)
{
    TempDir dir;
    const std::string path = dir.File(ConsoleHistory::kFileName);
    const std::string good =
        kA + "\tsay Gr\xC3\xBC\xC3\x9F\x65\r\n" + kB + "\tsv_gravity =800 [x]\r\n" + kA + "\t status \r\n";
    const struct {
        std::string file;
        std::string kept; // what is loaded, and saved again
    } cases[] = {
        {good, good},
        {"", ""},
        {"\xEF\xBB\xBF" + kA + "\tstatus\n\nno tab here\r" + kA + "\t" + std::string(5000, 'x') + "\r\n" + kB +
             "\tusers",
         kA + "\tstatus\r\n" + kB + "\tusers\r\n"},
        {kA + "\tRCON_PASSWORD hunter2\r\n" + kA + "\t  rcon_password x\r\n" + kA + "\tsay\tx\r\n" + kA + "\tsay\r\n",
         kA + "\tsay\r\n"},
        // Lines of no server, and the join password.
        {"x.1.2.3:27015\ta\r\n1.2.3.4:27015x\tb\r\n1:2.3.4.5\tc\r\n1.2.3.4:70000\td\r\n1.2.3\te\r\n" + kB +
             "\tsv_password j\r\n127.0.0.1\tstatus\r\n",
         "127.0.0.1\tstatus\r\n"},
    };
    for (const auto& c : cases) {
        WriteText(path, c.file);
        ConsoleHistory h;
        h.Load(path);
        ASSERT_TRUE(h.Save(path));
        EXPECT_EQ(ReadText(path), c.kept) << c.file.substr(0, 40);
    }
    // Random bytes hold no line of a server.
    std::mt19937 random(26);
    std::string noise(1 << 20, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    WriteText(path, noise);
    ConsoleHistory h;
    h.Load(path);
    EXPECT_EQ(h.Text().size(), 0u);

    h.Load(dir.File("missing.txt"));
    EXPECT_EQ(h.Text(), "");
    EXPECT_FALSE(h.Save(dir.File("missing/ConsoleHistory.txt")));

    // Larger than may be read: the newest lines, from the end of the file, are the ones kept.
    std::string big;
    for (int i = 0; big.size() <= ConsoleHistory::kMaxFileBytes + 100000; ++i)
        big += "10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250) + ":1\t" + std::string(90, 'x') + "\n";
    WriteText(path, big + kA + "\tnewest");
    h.Load(path);
    EXPECT_EQ(h.Commands(kA), Lines{"newest"});
    EXPECT_TRUE(h.Commands("10.0.0.0:1").empty());
    EXPECT_LE(h.Text().size(), ConsoleHistory::kMaxFileBytes);
    EXPECT_GT(h.Text().size(), ConsoleHistory::kMaxFileBytes - 200);
}

TEST(ConsoleHistory, LargeFileKeepsTheLineItStartsAtAsItIs)
{
    // Every line's address starts with the bytes of a byte-order mark: read from the middle of the
    // file, the first line kept is no more the file's start than any other.
    TempDir dir;
    const std::string path = dir.File(ConsoleHistory::kFileName);
    std::string big;
    for (int i = 0; big.size() <= ConsoleHistory::kMaxFileBytes + 1000; ++i)
        big += "\xEF\xBB\xBF" + kA + "\tsay " + std::to_string(i) + std::string(80, 'x') + "\n";
    WriteText(path, big);
    ConsoleHistory h;
    h.Load(path);
    EXPECT_TRUE(h.Commands(kA).empty());
    EXPECT_LE(h.Text().size(), ConsoleHistory::kMaxFileBytes);
}

#ifndef _WIN32
// What was sent to a server is the operator's business: a new file is theirs alone, whatever the
// umask.
TEST(ConsoleHistory, ANewFileIsTheOwnersAlone)
{
    ScopedWorkDir dir;
    const std::string path = dir.File(ConsoleHistory::kFileName);
    const mode_t old = ::umask(022);
    ASSERT_TRUE(ConsoleHistory().Save(path));
    ::umask(old);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}
#endif
