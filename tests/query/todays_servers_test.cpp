// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/engine_fixture.h"

using Texts = std::vector<std::string>;

TEST_F(Engine, AServerAnsweringPingWithAckIsListedInClassicOnly)
{
    app.settings.options.dialect = QueryDialect::Classic;
    sim::SimGameServer& s = farm.AddGameServer({.answersClassic = false, .answersA2s = true, .pingAck = true});
    sim::SimMaster& master = AddMaster(sim::SimMasterFlavour::Steam);
    StartFarm();
    app.settings.masterServer = master.Address();
    app.settings.wonMaster = false;
    refresh.RequestMasterList();
    ASSERT_TRUE(WaitForProgressEnd());
    EXPECT_EQ(Rows(&servers), Texts{s.Address() + " | ??? | ??? | ??? | " + s.Address()});
}
