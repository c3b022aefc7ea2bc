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
