// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/friend_alerts.h"

#include "settings/server_store.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <string>

// The alert names the server as well as anything knows it, and shows the name on one line.
TEST(FriendAlerts, TheServerIsNamedByItsRecordElseItsRecentEntryElseItsAddress)
{
    const QChar mark(0xFFFD);
    struct Case {
        std::string recordName; // "": the record knows only its address
        std::string recentName; // "": never joined
        QString told;
    };
    const Case cases[] = {
        {"Dusk Canyon", "Old Name", "Mira is playing on Dusk Canyon"},
        {"", "Harbor Nights", "Mira is playing on Harbor Nights"},
        {"", "", "Mira is playing on 127.0.0.1:29018"},
        {"\xE2\x80\xAE"
         "nepO",
         "", "Mira is playing on " + QString(mark) + "nepO"},
    };
    for (const Case& c : cases) {
        const std::string address = "127.0.0.1:29018";
        ServerStore store;
        store.friends().AppendFriend("Mira");
        ServerRecord* record = store.FindOrCreateRecord(address);
        if (!c.recordName.empty())
            record->name = c.recordName;
        if (!c.recentName.empty())
            store.recent.Add(address, c.recentName, 1700000000);
        QStringList told;
        CFriendAlerts alerts(store, [&](const QString& text, int) { told << text; });
        QObject::connect(&alerts, &CFriendAlerts::alerted, [&](const QString& text) { told << text; });
        alerts.Heard(address, {"Mira"});
        ASSERT_FALSE(told.isEmpty()) << c.recordName;
        EXPECT_EQ(told.back(), c.told);
    }
}
