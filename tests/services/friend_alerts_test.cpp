// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/friend_alerts.h"

#include "settings/server_store.h"

#include <gtest/gtest.h>

TEST(FriendAlerts, TheServerIsNamedByItsRecordElseItsRecentEntryElseItsAddress)
{
    struct Case {
        std::string recordName, recentName; // "": the record knows only its address / never joined
        QString told;
    };
    const Case cases[] = {
        {"Dusk Canyon", "Old Name", "Mira is playing on Dusk Canyon"},
        {"", "Harbor Nights", "Mira is playing on Harbor Nights"},
        {"", "", "Mira is playing on 127.0.0.1:29018"},
        {"\xE2\x80\xAEnepO", "", "Mira is playing on " + QString(QChar(0xFFFD)) + "nepO"},
    };
    for (const Case& c : cases) {
        ServerStore store;
        store.friends().AppendFriend("Mira");
        if (!c.recordName.empty())
            store.FindOrCreateRecord("127.0.0.1:29018")->name = c.recordName;
        if (!c.recentName.empty())
            store.recent.Add("127.0.0.1:29018", c.recentName, 1700000000);
        QString told;
        CFriendAlerts alerts(store, [&](const QString& text, int) { told = text; });
        QObject::connect(&alerts, &CFriendAlerts::alerted, [&](const QString& text) { told = text; });
        alerts.Heard("127.0.0.1:29018", {"Mira"});
        EXPECT_EQ(told, c.told);
    }
}
