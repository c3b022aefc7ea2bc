// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/join_server.h"
#include "test_support/recording_game.h"
#include "test_support/widgets.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

class PasswordJoin : public RecordingGame {
protected:
    CHLThread* Join(const std::string& address) { return JoinWithPassword(settings, store, address, &window); }
};

} // namespace

TEST_F(PasswordJoin, JoinStartsTheClientInTheGameFolder)
{
    ASSERT_TRUE(Join("10.0.0.1:27015"));
    EXPECT_EQ(Launched(), std::string(kClientExeName) + " " + game() +
                              "\n[-game]\n[znk]\n[-console]\n[+connect]\n[10.0.0.1:27015]\n");
    // An address nobody knew gets a record and needs no password.
    EXPECT_EQ(store.FindOrCreateRecord("10.0.0.1:27015")->name, "10.0.0.1:27015");
    // The join heads the recent servers.
    ASSERT_EQ(store.recent.Entries().size(), 1u);
    EXPECT_EQ(store.recent.Entries().front().address, "10.0.0.1:27015");
}

TEST_F(PasswordJoin, PasswordServerAsksFirstAndPassesTheTextUnchanged)
{
    ServerRecord* r = store.FindOrCreateRecord("10.0.0.2:27016");
    r->name = "Locked";
    r->info = "x|Dedicated//Linux Server|Password: Yes";
    InputBoxSeen seen;
    AnswerInputBox(window, "p\"w d", true, &seen);
    ASSERT_TRUE(Join("10.0.0.2:27016"));
    EXPECT_EQ(seen.title, "Password");
    EXPECT_EQ(seen.prompt, "\"Locked\" is \"Passworded\"");
    // The whole password, quote and space included, arrives as one argument.
    EXPECT_EQ(Launched(), std::string(kClientExeName) + " " + game() +
                              "\n[-game]\n[znk]\n[-console]\n[+connect]\n[10.0.0.2:27016]\n[+password]\n[p\"w d]\n");
}

TEST_F(PasswordJoin, CancelAtThePasswordLaunchesNothing)
{
    store.FindOrCreateRecord("10.0.0.3:27015")->info = "||Password: Yes";
    AnswerInputBox(window, QString(), false);
    EXPECT_EQ(Join("10.0.0.3:27015"), nullptr);
    QTest::qWait(300);
    EXPECT_FALSE(FileExists(JoinPath(game(), "launch.txt")));
    EXPECT_TRUE(store.recent.Entries().empty());
}

TEST_F(PasswordJoin, ARelayedServerIsJoinedThroughSteamWithItsPassword)
{
    const struct {
        std::string address, info, password, url;
    } joins[] = {
        {"169.254.10.20:27015", "", "", "steam://connect/169.254.10.20:27015"},
        {"169.254.0.9:27016", "||Password: Yes", "p w", "steam://connect/169.254.0.9:27016/p w"},
    };
    for (const auto& j : joins) {
        store.FindOrCreateRecord(j.address)->info = j.info;
        if (!j.info.empty())
            AnswerInputBox(window, QString::fromStdString(j.password), true);
        std::vector<std::string> opened;
        EXPECT_EQ(JoinWithPassword(settings, store, j.address, &window,
                                   [&](const std::string& url) { opened.push_back(url); }),
                  nullptr);
        EXPECT_EQ(opened, std::vector<std::string>{j.url});
        EXPECT_EQ(store.recent.Entries().front().address, j.address);
    }
    // The game client is never started for them.
    QTest::qWait(300);
    EXPECT_FALSE(FileExists(JoinPath(game(), "launch.txt")));
}
