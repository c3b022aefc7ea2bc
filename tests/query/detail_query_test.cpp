// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/detail_query.h"
#include "query/model/protocol.h"
#include "settings/app_settings.h"
#include "settings/server_store.h"
#include "sim_farm.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::string>;
using Column = std::string ServerRecord::*;

// What a details query tells, as its signals carry it, and what it writes into the store's
// records (which every row of the server shows).
struct Told : ServerStoreListener {
    Told(CDetailQuery& query, ServerStore& store) : store_(store)
    {
        store.AddListener(this);
        QObject::connect(&query, &CDetailQuery::detailsRequested, &context, [this] { ++requested; });
        QObject::connect(&query, &CDetailQuery::infoReceived, &context,
                         [this](const std::string& from, const InfoReply& reply) {
                             address = from;
                             info = reply;
                             ++infos;
                         });
        QObject::connect(&query, &CDetailQuery::pingReceived, &context, [this](const std::string& text) {
            ping = text;
            ++pings;
        });
        QObject::connect(&query, &CDetailQuery::playersReceived, &context,
                         [this](const std::vector<PlayerEntry>& list) {
                             players = list;
                             ++playerLists;
                         });
        QObject::connect(&query, &CDetailQuery::rulesReceived, &context,
                         [this](const std::vector<std::pair<std::string, std::string>>& list) { rules = list; });
        QObject::connect(&query, &CDetailQuery::detailsTimedOut, &context,
                         [this](bool p, bool r) { timedOut.emplace_back(p, r); });
    }
    ~Told() override { store_.RemoveListener(this); }
    void ListAppended(ServerList) override {}
    void ListEntryRemoved(ServerList, size_t) override {}
    void ListReplaced(ServerList) override {}
    void RecordChanged(const ServerRecord& record) override { records.push_back(record); }
    bool Complete() const { return infos > 0 && !ping.empty() && !players.empty() && !rules.empty(); }
    // As the lists show them: name | score | play time | id, and name | value.
    Texts PlayerRows() const
    {
        Texts out;
        for (const PlayerEntry& p : players)
            out.push_back(p.name + " | " + p.score + " | " + p.time + " | " + p.id);
        return out;
    }
    Texts RuleRows() const
    {
        Texts out;
        for (const auto& [name, value] : rules)
            out.push_back(name + " | " + value);
        return out;
    }
    // The last value the server's record was given for the column; "" when none. A ping still
    // holding its send time is no value yet.
    std::string Shown(Column column) const
    {
        std::string shown;
        for (const ServerRecord& record : records)
            if ((record.*column).find('-') == std::string::npos)
                shown = record.*column;
        return shown;
    }

    QObject context;
    int requested = 0;
    std::string address;
    InfoReply info;
    int infos = 0;
    std::string ping;
    int pings = 0;
    std::vector<PlayerEntry> players;
    int playerLists = 0;
    std::vector<std::pair<std::string, std::string>> rules;
    std::vector<std::pair<bool, bool>> timedOut;
    std::vector<ServerRecord> records;
    ServerStore& store_;
};

// The two uses of the details query against simulated servers on 127.0.0.1: the browser's
// selected server and the search's panes.
class Details : public ::testing::Test {
protected:
    Details() { settings.timeout = 0.2f; }

    static sim::GameServerConfig Server(const std::string& name)
    {
        sim::GameServerConfig c;
        c.label = c.hostname = name;
        c.map = "map_" + name;
        c.players = {{"alpha", 12, 125.7f}, {"beta", -3, 59.9f}};
        c.rules = {{"mp_timelimit", "30"}, {"sv_gravity", "800"}};
        return c;
    }
    void StartFarm()
    {
        std::string error;
        ASSERT_TRUE(farm.StartInOwnThread(&error)) << error;
    }
    sim::SimGameServer& Start(const sim::GameServerConfig& c)
    {
        sim::SimGameServer& s = farm.AddGameServer(c);
        StartFarm();
        return s;
    }
    // The datagrams the server got, in order.
    static Texts Wire(const sim::SimGameServer& s)
    {
        Texts words;
        for (const auto& r : s.Record().requests)
            words.push_back(r.request);
        return words;
    }

    sim::SimFarm farm;
    AppSettings settings;
    ServerStore store;
    CDetailQuery browser{settings, store, CDetailQuery::kBrowser};
    CDetailQuery search{settings, store, CDetailQuery::kSearch};
};

} // namespace

TEST_F(Details, EachUseKeepsItsWordsAndOrderInEveryDialectAndOnlyTheBrowsersRemembers)
{
    sim::GameServerConfig old = Server("classic"), today = Server("today");
    today.answersClassic = false;
    today.answersA2s = true;
    today.a2sChallenge = true;
    today.a2sChallengeValue = 0x11223344;
    farm.AddGameServer(old);
    farm.AddGameServer(today);
    StartFarm();
    // The A2S requests as the server records them; c is its challenge.
    const std::string info = "TSource Engine Query\\x00", c = "D3\"\\x11", none = "\\xFF\\xFF\\xFF\\xFF";
    const std::string rules = "V" + none, players = "U" + none;
    const Texts asIt = {info, rules, players};
    // Each use twice on one server; second: the wire of the second query, none when the same.
    struct Case {
        const char* use;
        QueryDialect dialect;
        const char* server;
        Texts first, second;
    };
    const Case cases[] = {
        {"browser", QueryDialect::Classic, "classic", {"ping", "players", "rules", "infostring"}, {}},
        {"search", QueryDialect::Classic, "classic", {"infostring", "rules", "players", "ping"}, {}},
        // The dialect and the challenges learnt go into the browser's next query.
        {"browser",
         QueryDialect::Automatic,
         "today",
         {"ping", "players", "rules", "infostring", info, info + c, rules, players, "V" + c, "U" + c},
         {"ping", "V" + c, info + c, "U" + c}},
        {"search",
         QueryDialect::Automatic,
         "today",
         {"infostring", "rules", "players", info, "ping", info + c, rules, players, "V" + c, "U" + c},
         {}},
        // Unanswered: the browser's go twice more within the time-out, the search's once.
        {"browser",
         QueryDialect::A2s,
         "classic",
         {"ping", rules, info, players, rules, info, players, rules, info, players},
         {}},
        {"search", QueryDialect::A2s, "classic", {info, rules, players, "ping"}, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.use) + ", dialect " + std::to_string(int(k.dialect)));
        const bool inBrowser = std::string(k.use) == "browser";
        settings.options = ToolOptions();
        settings.options.dialect = k.dialect;
        // No timed re-send while challenges go back and forth; where nobody answers, room for both.
        settings.timeout = k.dialect == QueryDialect::A2s ? 0.3f : 1.5f;
        ServerStore own;
        CDetailQuery query{settings, own, inBrowser ? CDetailQuery::kBrowser : CDetailQuery::kSearch};
        const sim::SimGameServer& s = *farm.FindGameServer(k.server);
        for (const Texts* wire : {&k.first, k.second.empty() ? &k.first : &k.second}) {
            farm.ResetRecords();
            query.QuerySelected(s.Address());
            EXPECT_TRUE(QTest::qWaitFor([&] { return Wire(s).size() >= wire->size(); }, 3000));
            QTest::qWait(100); // anything more would come now
            EXPECT_EQ(Wire(s), *wire);
        }
        // The search keeps nothing of the server: no record to save, no dialect.
        EXPECT_EQ(own.RecordsText().empty(), !inBrowser);
        EXPECT_TRUE(inBrowser || settings.options.serverDialects.empty());
    }
}

TEST_F(Details, SelectedServerFillsPlayersRulesAndItsRows)
{
    sim::GameServerConfig c = Server("detail");
    c.behaviour.delayMs = 30;
    sim::SimGameServer& s = Start(c);
    Told told{browser, store};
    browser.QuerySelected(s.Address());
    EXPECT_EQ(told.requested, 1); // the lists wait
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return told.players.size() == 2 && told.rules.size() == 2 && told.Shown(&ServerRecord::name) == "detail" &&
                   !told.Shown(&ServerRecord::ping).empty();
        },
        3000));
    EXPECT_EQ(told.PlayerRows(), (Texts{"alpha | 12 | 2:5 | 1", "beta | -3 | 0:59 | 2"}));
    EXPECT_EQ(told.RuleRows(), (Texts{"mp_timelimit | 30", "sv_gravity | 800"}));
    // The record every row of the server shows, as its listeners heard it.
    const ServerRecord* record = store.FindRecord(s.Address());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(told.Shown(&ServerRecord::name), "detail");
    EXPECT_EQ(told.Shown(&ServerRecord::map), "map_detail");
    EXPECT_EQ(told.Shown(&ServerRecord::players), "2/16");
    EXPECT_GE(std::stoi(told.Shown(&ServerRecord::ping)), 25);
    EXPECT_EQ(told.Shown(&ServerRecord::ping), record->ping);
    EXPECT_EQ(record->name, "detail");
    EXPECT_EQ(record->map, "map_detail");
    EXPECT_EQ(record->players, "2/16");
}

TEST_F(Details, FillTheSearchPanes)
{
    sim::GameServerConfig c;
    c.hostname = "Pipe|in the name";
    c.description = "Capture|mode";
    c.type = 'l';
    c.os = 'w';
    c.password = true;
    c.maxPlayers = 12;
    c.players = {{"gamma", 7, 61.0f}};
    c.rules = {{"mp_timelimit", "25"}};
    c.behaviour.duplicate = true; // the info and the ping are told once all the same
    sim::SimGameServer& s = Start(c);
    Told answers{search, store};

    search.QuerySelected(s.Address());
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.Complete(); }, 3000));
    QTest::qWait(100); // the copies arrive meanwhile
    EXPECT_EQ(answers.infos, 1);
    EXPECT_EQ(answers.pings, 1);
    EXPECT_EQ(answers.address, s.Address());
    EXPECT_EQ(answers.info.name, "Pipe|in the name");
    // The parts come decoded, not split again out of the joined line: a '|' of the
    // description's own stays in it.
    EXPECT_EQ(answers.info.description, "Capture|mode");
    EXPECT_EQ(SearchInfoLines(answers.address, answers.info),
              (std::vector<std::string>{"Ip: " + s.Address(), "Players: 1/12", "Map: dusk_canyon", "Capture|mode",
                                        "Listen//Windows Server", "Password: Yes"}));
    EXPECT_GE(std::stoi(answers.ping), 0);
    ASSERT_EQ(answers.players.size(), 1u);
    EXPECT_EQ(answers.players[0].time, "1:1");
    ASSERT_EQ(answers.rules.size(), 1u);
    EXPECT_EQ(answers.rules[0].second, "25");
    // The order on the wire: infostring, rules, players, then the A2S info request that asks
    // for the dialect of a server not heard yet, and ping.
    std::vector<std::string> words;
    for (const auto& r : s.Record().requests)
        words.push_back(r.request);
    EXPECT_EQ(words, (std::vector<std::string>{"infostring", "rules", "players", "TSource Engine Query\\x00", "ping"}));
}

TEST_F(Details, EightBitNamesComeAsSent)
{
    sim::GameServerConfig c;
    c.hostname = "Caf\xE9 Fran\xE7oise";
    c.map = "for\xEAt";
    c.players = {{"J\xF6rg", 3, 61.0f}, {"Zo\xC3\xAB", 1, 5.0f}};
    c.rules = {{"sv_motd", "Bienvenue \xE0 tous"}};
    sim::SimGameServer& s = Start(c);

    // Either use gets the bytes as sent, for its page to show them the one way both show them.
    for (CDetailQuery* query : {&browser, &search}) {
        Told answers{*query, store};
        query->QuerySelected(s.Address());
        ASSERT_TRUE(QTest::qWaitFor([&] { return answers.Complete(); }, 3000));
        EXPECT_EQ(answers.info.name, c.hostname);
        EXPECT_EQ(answers.info.map, c.map);
        EXPECT_EQ(answers.players[0].name, "J\xF6rg");
        EXPECT_EQ(answers.players[1].name, "Zo\xC3\xAB"); // UTF-8 stays UTF-8
        EXPECT_EQ(answers.rules[0].second, "Bienvenue \xE0 tous");
        const std::string row = query == &browser ? c.hostname : "";
        EXPECT_EQ(answers.Shown(&ServerRecord::name), row);
    }
    // What is kept (and saved, and befriended) is what the server sent.
    EXPECT_EQ(store.FindOrCreateRecord(s.Address())->name, c.hostname);
}

TEST_F(Details, AServerOfTodayBehindAChallengeFillsThemToo)
{
    sim::GameServerConfig c;
    c.hostname = "Today";
    c.answersClassic = false;
    c.answersA2s = true;
    c.a2sChallenge = true;
    c.rulesPieces = 2;
    c.players = {{"gamma", 7, 61.0f}};
    c.rules = {{"mp_timelimit", "25"}};
    sim::SimGameServer& s = Start(c);
    Told answers{search, store};

    search.QuerySelected(s.Address());
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.Complete(); }, 3000));
    EXPECT_EQ(answers.info.name, "Today");
    ASSERT_EQ(answers.players.size(), 1u);
    EXPECT_EQ(answers.players[0].name, "gamma");
    ASSERT_EQ(answers.rules.size(), 1u);
    EXPECT_EQ(answers.rules[0].second, "25");
}

TEST_F(Details, EveryKindOfServerGivesTheSameDetailsInItsDialect)
{
    settings.timeout = 0.6f; // room for a challenge round trip and a re-send
    // The dialect each answered in before, as a refresh leaves it.
    const struct {
        const char* name;
        sim::SimInfoKind info;
        int rulesPieces;
        QueryDialect known;
    } kinds[] = {{"today", sim::SimInfoKind::Source, 3, QueryDialect::A2s},
                 {"mixed", sim::SimInfoKind::GoldSrcThenSource, 2, QueryDialect::A2s},
                 {"classic", sim::SimInfoKind::Source, 1, QueryDialect::Classic}};
    for (const auto& k : kinds) {
        sim::GameServerConfig c = Server(k.name);
        c.answersClassic = k.known == QueryDialect::Classic;
        c.answersA2s = c.a2sChallenge = !c.answersClassic;
        c.a2sInfoKind = k.info;
        c.rulesPieces = k.rulesPieces;
        farm.AddGameServer(c);
    }
    StartFarm();
    for (const auto& k : kinds)
        settings.options.serverDialects[farm.FindGameServer(k.name)->Address()] = k.known;

    // The details come in the same dialect, the split rules joined.
    for (CDetailQuery* query : {&browser, &search}) {
        for (const auto& k : kinds) {
            Told told{*query, store};
            query->QuerySelected(farm.FindGameServer(k.name)->Address());
            ASSERT_TRUE(QTest::qWaitFor([&] { return told.players.size() == 2 && told.rules.size() == 2; }, 3000))
                << k.name;
            EXPECT_EQ(told.PlayerRows(), (Texts{"alpha | 12 | 2:5 | 1", "beta | -3 | 0:59 | 2"})) << k.name;
            EXPECT_EQ(told.RuleRows(), (Texts{"mp_timelimit | 30", "sv_gravity | 800"})) << k.name;
        }
    }
    EXPECT_EQ(farm.FindGameServer("classic")->Record().requestCounts["A2S_PLAYER"], 0);
    EXPECT_EQ(farm.FindGameServer("today")->Record().requestCounts["players"], 0);
}

TEST_F(Details, ADetailQueryNobodyAnswersEndsWithItsMessage)
{
    settings.timeout = 0.6f; // room for both re-sends on a loaded machine
    sim::GameServerConfig c = Server("quiet");
    c.behaviour.silent = true;
    sim::SimGameServer& s = Start(c);
    Told told{browser, store};
    browser.QuerySelected(s.Address());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.timedOut.empty(); }, 3000));
    EXPECT_EQ(told.timedOut, (std::vector<std::pair<bool, bool>>{{true, true}}));
    // Sent once, then re-sent twice within the time-out; the A2S info request beside the
    // classic words until the server's dialect is known.
    sim::ServerRecord record = s.Record();
    EXPECT_EQ(record.requestCounts.at("players"), 3);
    EXPECT_EQ(record.requestCounts.at("A2S_INFO"), 3);
    EXPECT_EQ(record.requestCounts.count("A2S_PLAYER"), 0u);

    // The search's panes wait as long as they are shown, asked once.
    farm.ResetRecords();
    Told waiting{search, store};
    search.QuerySelected(s.Address());
    QTest::qWait(800);
    EXPECT_TRUE(waiting.timedOut.empty());
    record = s.Record();
    EXPECT_EQ(record.requestCounts.at("players"), 1);
    EXPECT_EQ(record.requestCounts.at("A2S_INFO"), 1);
}

TEST_F(Details, AnEmptyServerThatSendsNoPlayersShowsAnEmptyListInTheBrowserAndTheSearch)
{
    sim::GameServerConfig c{.answersClassic = false, .answersA2s = true, .a2sPlayersWhenEmpty = false};
    sim::SimGameServer& s = Start(c);
    for (CDetailQuery* query : {&browser, &search}) {
        Told told{*query, store};
        query->QuerySelected(s.Address());
        ASSERT_TRUE(QTest::qWaitFor([&] { return told.playerLists > 0; }, 3000)); // no "Please Wait"
        QTest::qWait(settings.TimeoutMs() + 100); // nor a failure once the time-out passed
        EXPECT_EQ(told.playerLists, 1);
        EXPECT_EQ(told.PlayerRows(), Texts{});
        EXPECT_TRUE(told.timedOut.empty());
    }
}

TEST_F(Details, EachChallengeResendsOnlyWhatItRefusesAndARefusedOneIsNotSentAgain)
{
    settings.timeout = 1.5f; // no timed re-send while the challenges go back and forth
    settings.options.dialect = QueryDialect::A2s;
    sim::GameServerConfig c{.players = {{"alpha", 12, 125.7f}, {"bot", 0, -1.0f}},
                            .answersClassic = false,
                            .answersA2s = true,
                            .a2sChallenge = true,
                            .a2sChallengeValue = 0x11111111};
    sim::SimGameServer& s = Start(c);
    // Per query: what each A2S request kind has reached, and the datagrams the server sent (the
    // ping's answer, an 'A' per request while the challenge held is wrong, the three replies):
    // the refused challenge goes with the next query's first requests, and never again.
    const struct {
        int each, sent;
    } queries[] = {{2, 7}, {4, 14}, {5, 18}};
    for (const auto& q : queries) {
        if (&q == &queries[1])
            s.SetA2sChallengeValue(0x12121212); // the server replaced its challenge
        Told told{browser, store};
        browser.QuerySelected(s.Address());
        ASSERT_TRUE(QTest::qWaitFor([&] { return s.Record().datagramsSent >= q.sent; }, 3000));
        QTest::qWait(100); // anything more would come now
        const sim::ServerRecord record = s.Record();
        EXPECT_EQ(record.datagramsSent, q.sent);
        for (const char* kind : {"A2S_INFO", "A2S_PLAYER", "A2S_RULES"})
            EXPECT_EQ(record.requestCounts.at(kind), q.each) << kind;
        EXPECT_EQ(told.PlayerRows(), (Texts{"alpha | 12 | 2:5 | 1", "bot | 0 |  | 2"})); // no "0:-1"
    }
}

TEST_F(Details, OnlyAckTimesAServerThatAnswersNoOtherClassicWord)
{
    settings.options.dialect = QueryDialect::Classic;
    sim::SimGameServer& s = Start({.answersClassic = false, .answersA2s = true, .pingAck = true});
    Told inBrowser{browser, store}, inSearch{search, store};
    browser.QuerySelected(s.Address());
    search.QuerySelected(s.Address());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !inBrowser.Shown(&ServerRecord::ping).empty() && !inSearch.ping.empty(); }, 3000));
    EXPECT_GE(std::stoi(inBrowser.Shown(&ServerRecord::ping)), 0);
    EXPECT_GE(std::stoi(inSearch.ping), 0);
}
